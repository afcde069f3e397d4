// The message history behind RE_Mess, newest line first, with its file, and
// the line a sender builds for a typed message.
#pragma once

#include <QAbstractListModel>
#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

namespace kovra {

constexpr std::size_t kMaxMessageText = 128;

// time + "  " + name + "> " + the typed text, trimmed and cut to 128 characters;
// empty when nothing but spaces was typed.
std::string BuildMessageLine(const std::string& time_text, const std::string& computer_name,
                             std::string typed);
// The computer name such a line carries; empty when it has none.
std::string MessageSenderName(const std::string& line);

// The lines behind the message pane, as a list model: row 0 is the newest.
class MessageHistory : public QAbstractListModel {
  Q_OBJECT

 public:
  explicit MessageHistory(QObject* parent = nullptr);

  // Where a line came from, as this run knows it: the file keeps only the
  // text, so a line read from it is just stored. The pane draws a line of
  // its own (a status) or the user's from this, never from the text, which
  // a peer writes as it likes.
  enum class Origin { kStored, kReceived, kOwn, kStatus };

  // Puts a line on top; returns the number of lines added. A line holding
  // line ends becomes several lines, as it would after a save and a load.
  std::size_t Add(const std::string& line, Origin origin = Origin::kReceived);

  // Puts the file's lines under those added so far; raises Error when the
  // file cannot be read. Until a load (or MarkLoaded, when there is no
  // file) the history is never saved, so a message that arrives before the
  // first tick cannot replace the stored history.
  void Load(const QString& path);
  void MarkLoaded() { loaded_ = true; }

  // Replaces the file with every line, newest first; raises Error on failure.
  void Save(const QString& path) const;

  // The history's own file (~Messages.txt in the program's folder): loaded
  // at the first tick, lines that arrived earlier kept on top and stored with
  // it; saved after a new line when the folder takes new files, at most once
  // a second while lines keep coming, so a flood costs one write a second.
  void SetFile(const QString& path) { file_ = path; }
  void Restore();
  void AddAndSave(const std::string& line, Origin origin = Origin::kReceived);
  void SaveToFile() const;
  // Saves what is not saved yet, at once; raises Error on failure.
  void Flush();
  // Told when a save after a new line fails, once until one succeeds again.
  std::function<void(const QString& reason)> OnSaveFailed;

  std::size_t Count() const { return added_.size() + StoredCount(); }
  // Line 0 is the newest.
  std::string Line(std::size_t index) const;
  Origin OriginOf(std::size_t index) const;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  void SaveNow();
  void SaveInTime();
  std::size_t StoredCount() const { return stored_lines_.size(); }
  // Writes every line, newest first, each followed by CR LF.
  bool WriteLines(QIODevice& file) const;

  // The lines added here, oldest first, so that a new line costs no shifting.
  std::vector<std::string> added_;
  std::vector<Origin> added_origins_;  // of added_'s lines
  // The file's lines as loaded, newest first: its bytes, held once however
  // long the history, and where each line lies in them.
  struct Span {
    qsizetype start;
    qsizetype end;
  };
  QByteArray stored_;
  std::vector<Span> stored_lines_;
  qsizetype stored_end_ = 0;     // up to the first zero byte
  bool stored_as_saved_ = true;  // every line ends in CR LF: saved byte for byte
  bool loaded_ = false;
  QString file_;
  bool unsaved_ = false;
  bool failure_told_ = false;
  QElapsedTimer since_save_;
  QTimer save_timer_;
};

}  // namespace kovra
