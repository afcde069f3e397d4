// Pictures put on the board, and parts of it selected and moved. A picture
// pasted or dropped floats above the board in a frame: dragged, it moves;
// dragged by a corner, it grows or shrinks (Shift keeps its proportions);
// Enter or a click beside it puts it down, Esc takes it away. The selection
// tool frames a part of the board: dragged, the part moves (Ctrl: a copy
// moves) and leaves the fill colour behind; Delete clears it; Ctrl+C copies
// it, or the whole board when nothing is selected. Each put-down is one step
// of the user's: the pixels it leaves go out as parts of a tile, drawn on
// every board by the one drawing path, and taken back by one Ctrl+Z.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/picture_reading.h"
#include "board/drawing_commands.h"

class QWidget;

namespace kovra {

class BoardCanvas;
class ToolPanel;
struct WindowControls;

class BoardPieces : public QObject {
  Q_OBJECT

 public:
  // The text of one part of a tile at most: with its stream's header it fits a datagram.
  static constexpr std::size_t kMaxPartText = 1300;

  struct Parts {
    WindowControls& ui;
    const BoardCanvas& board;
    const ToolPanel& tools;
    // Draws the commands as one step of the user's and sends them; false
    // when it cannot now (a gesture is in progress).
    std::function<bool(const std::vector<drawing::Command>& step)> draw_step;
    std::function<QString(quint32 address)> name_of;  // a peer's computer name
  };
  explicit BoardPieces(Parts parts, QObject* parent = nullptr);

  // The board's mouse, in board points; true when the pieces took it (a
  // picture floats, or the selection tool is chosen).
  bool Press(Qt::MouseButton button, Qt::KeyboardModifiers keys, QPoint at);
  bool Move(Qt::MouseButtons buttons, Qt::KeyboardModifiers keys, QPoint at);
  bool Release(Qt::MouseButton button, Qt::KeyboardModifiers keys, QPoint at);
  // The board lost the mouse: a drag ends where it began.
  void CancelDrag();
  // Enter, Esc and Delete while a piece floats or a part is selected; true when taken.
  bool Key(int key);
  // A key anywhere in the window, pressed in target: Enter, Esc and Delete
  // as above unless the message field holds typed text; Ctrl+V when the
  // clipboard holds a picture; Ctrl+C unless text is selected where it was
  // pressed. True when taken.
  bool TakeKey(int key, Qt::KeyboardModifiers keys, const QWidget* target);

  // Ctrl+V: the picture on the clipboard, at the pointer or in the middle of the view.
  void PasteFromClipboard();
  // Ctrl+C: the selected part, or the whole board, to the clipboard.
  void CopyToClipboard() const;
  // A dropped file, or a dropped picture, at a board point.
  void PasteFile(const QString& path, std::optional<QPoint> at);
  void PastePicture(const QImage& picture, std::optional<QPoint> at);
  // A peer's picture or moved part is drawn here: the user is told who,
  // once for the picture, when it lands on drawing.
  void PeerDrew(const drawing::Paste& piece, quint32 from);
  static constexpr qint64 kTellMs = 3000;

  // Puts the floating piece down (one step), or takes it, or the selection, away.
  void PutDown();
  void TakeAway();
  // Fills the selected part with the fill colour (one step).
  void DeleteSelection();
  // Another tool was chosen: a floating piece is put down, a selection goes.
  void ToolChanged();

  bool Floating() const { return !picture_.isNull() && floating_; }
  const QRect& Selection() const { return selection_; }
  const QRect& Place() const { return place_; }

  // The commands that put pixels (their top left at at) on the board: one
  // "KvPaste" for each part of each tile they cover, clipped to board.
  static std::vector<drawing::Command> PieceCommands(const QImage& pixels, QPoint at,
                                                     const QRect& board);

 private:
  enum class Drag { kNone, kMove, kScale, kFrame };
  // Floats what was read, or says why nothing was.
  void Paste(const pictures::Read& read, std::optional<QPoint> at);
  void Float(QImage picture, std::optional<QPoint> at);
  void Tell(const QString& text) const;
  void Show();
  // Which corner of the place at is on (0 to 3), if any.
  std::optional<int> CornerAt(QPoint at) const;
  // The place scaled by dragging a corner to at; Shift keeps the picture's proportions.
  QRect Scaled(QPoint at, bool keep_proportions) const;
  bool DrawingOn() const;
  bool Selecting() const;  // the selection tool is chosen
  // The part filled with the fill colour, edge and all.
  drawing::Command Cleared(const QRect& part) const;
  void Clear();

  Parts parts_;
  // The picture that floats or is selected, at its own size, and where it
  // shows on the board.
  QImage picture_;
  QRect place_;
  bool floating_ = false;  // a pasted picture, not yet put down
  QRect selection_;        // the part selected, where it lies on the board
  // Dragged now: what the drag does, where it began, the place then, and
  // the corner dragged (the opposite one stays).
  Drag drag_ = Drag::kNone;
  QPoint drag_from_;
  QRect place_from_;
  int corner_ = 0;
  bool copying_ = false;   // Ctrl was held when the selection's drag began
  quint32 told_from_ = 0;  // see PeerDrew
  QElapsedTimer told_;
};

}  // namespace kovra
