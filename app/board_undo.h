// Undo and redo on the board: the user's own last steps taken back and done
// again on every board present, leaving what the others drew since; and the
// board as it was before it was last replaced brought back, on every board
// too. Copies that speak the delivery extension get the changed area's
// pixels through it; the others get the changed pixels as drawing commands
// they already replay.
#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>
#include <functional>

#include "board/board_history.h"

class QLineEdit;
class QToolButton;

namespace kovra {

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

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Send(const BoardHistory::Change& change);

  Parts parts_;
};

}  // namespace kovra
