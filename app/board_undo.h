// Undo and redo on the board: the user's own last steps taken back and done
// again on every board present, leaving what the others drew since; and the
// board as it was before it was last replaced brought back, on every board
// too. Copies that speak the delivery extension get the changed area's
// pixels through it; the others get the changed pixels as drawing commands
// they already replay.
#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QtGlobal>
#include <functional>
#include <string>

#include "board/board_history.h"

class QLineEdit;
class QToolButton;

namespace kovra {

// In the delivery extension's ordered stream: a gesture of the sender
// begins, and the sender took its last step back or did it again.
inline const std::string kStepCommand = "KvStep";
inline const std::string kUndoCommand = "KvUndo";
inline const std::string kRedoCommand = "KvRedo";
bool IsStepCommand(const std::string& upper_name);

class BoardFiles;
class BoardSending;
class Correspondents;
class Dialogs;
class FanOut;
class NoticeLine;
class Presence;
class SessionLinks;

class BoardUndo : public QObject {
  Q_OBJECT

 public:
  // All of it outlives the undo.
  struct Parts {
    Dialogs& dialogs;
    BoardHistory& history;
    BoardFiles& files;
    FanOut& fan_out;
    BoardSending& sending;
    const Correspondents& list;
    const Presence& presence;
    std::function<SessionLinks*()> session;  // null without the extension
    NoticeLine& notice;
    QToolButton& restore;  // "Вернуть", shown while a board replaced by a peer can come back
    QLineEdit& message;    // its own undo keys while it holds text
  };
  explicit BoardUndo(Parts parts, QObject* parent = nullptr);

  // A gesture of the user's begins: the copies that speak the extension
  // are told, so that their steps of this user's are the user's.
  void StepBegun();
  // A peer's step command (upper-cased name) from the sender at address and port.
  void FromPeer(quint32 address, quint16 port, const std::string& name);

  // Ctrl+Z: the last own step back; with none left, the board before it was replaced.
  void Undo();
  // Ctrl+Shift+Z or Ctrl+Y.
  void Redo();
  // The board before it was last replaced, here and on every board present;
  // asked first when anybody drew on the board since.
  void RestorePrevious();
  // The whole board was replaced: by the user (from 0) or by the peer at
  // from, which did what (a short phrase in the past tense).
  void Replaced(quint32 from, const QString& what);
  // The board was brought to the session's, whose owner is at from; the one
  // it held is kept as file. "Вернуть" then brings it back here only.
  void Aligned(quint32 from, const QString& file, const QImage& before);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // What an undo or redo changed, to every board present; to a copy
  // without the extension at once, or paced when it is more lines than this.
  static constexpr std::size_t kRunsAtOnce = 2000;
  void Send(const BoardHistory::Change& change, const std::string& command);

  QString NameAt(quint32 address) const;

  Parts parts_;
  QImage before_alignment_;  // null unless the last replacement was an alignment
  // Looks a few times whether a board a peer sent is the one taken away
  // before it, to say it was taken back.
  void WatchForTakenBack(quint32 from, QImage taken_before);
  void CheckTakenBack();
  static constexpr int kBackCheckMs = 250;
  static constexpr int kBackChecks = 20;

  QImage replaced_;      // what the last replacement took away
  QImage taken_before_;  // what the replacement before it took away, while watched
  quint32 taken_back_from_ = 0;
  QTimer back_watch_;
  int back_checks_left_ = 0;
};

}  // namespace kovra
