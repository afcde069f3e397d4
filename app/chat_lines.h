// The lines of the message pane, as a messenger shows them: the history's
// oldest first, so the newest is at the bottom, with quiet lines of the
// pane's own in between (who came, who went) that are shown and never
// stored. The history and its file keep their order; only the pane turns it
// over. Reading a line costs the same however long the history is.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <deque>
#include <set>
#include <string>

#include "net/message_history.h"

namespace kovra {

class Correspondents;

class ChatLines : public QObject {
  Q_OBJECT

 public:
  // Quiet lines kept at most; the oldest go first.
  static constexpr std::size_t kMaxQuiet = 500;

  // Both outlive the lines.
  ChatLines(const MessageHistory& history, const Correspondents& list, QObject* parent = nullptr);

  std::size_t Count() const;
  // Line 0 is the oldest.
  QString Text(std::size_t line) const;
  bool IsQuiet(std::size_t line) const;
  // Where a history line came from (kStored for a quiet one).
  MessageHistory::Origin OriginOf(std::size_t line) const;

  // A line below the newest, shown until the program ends.
  void AddQuiet(const QString& text);

 signals:
  // Lines came at the bottom.
  void Appended();
  // Any line may have changed (the stored history was read).
  void Reset();

 private:
  struct Quiet {
    std::size_t after = 0;  // history lines above it
    QString text;
  };
  // The quiet lines above line, and whether line is the next of them.
  std::size_t QuietAbove(std::size_t line, bool& is_quiet) const;
  void HistoryInserted(int first, int last);
  // Tells who came and who went since the list was last looked at.
  void PresenceChanged();

  const MessageHistory& history_;
  const Correspondents& list_;
  std::deque<Quiet> quiet_;
  std::set<std::string> present_;  // upper-cased names
  // Copies found in the first seconds after the list is read come in one
  // line, not a line each (eleven would fill the pane at every start).
  static constexpr qint64 kGatherMs = 10000;
  QElapsedTimer list_read_;
  QStringList gathered_;  // names the last quiet line says came, while it gathers
  std::size_t quiet_added_ = 0;  // quiet lines ever added
  std::size_t gathered_in_ = 0;  // the one of them that gathers
  std::size_t count_before_reset_ = 0;
};

}  // namespace kovra
