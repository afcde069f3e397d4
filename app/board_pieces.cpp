#include "app/board_pieces.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCursor>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "app/chat_view.h"
#include "app/choice_list.h"
#include "app/notice_line.h"
#include "app/tool_panel.h"
#include "app/window_layout.h"
#include "board/board_tiles.h"
#include "board/board_view.h"
#include "board/canvas.h"
#include "board/colors.h"
#include "board/tools/tool_table.h"

namespace kovra {

BoardPieces::BoardPieces(Parts parts, QObject* parent)
    : QObject(parent), parts_(std::move(parts)) {}

bool BoardPieces::DrawingOn() const { return parts_.ui.CB_YesPaint->isChecked(); }

bool BoardPieces::Selecting() const {
  return parts_.ui.ListTools->currentRow() == ToolRow(ToolId::kSelect);
}

void BoardPieces::Tell(const QString& text) const { parts_.ui.Label_Notice->Tell(QString(), text); }

drawing::Command BoardPieces::Cleared(const QRect& part) const {
  const std::string fill = parts_.tools.FillColorName();
  return drawing::RectangleFill{
      {part.left(), part.top(), part.right() + 1, part.bottom() + 1, 1, fill, fill}};
}

bool BoardPieces::Press(Qt::MouseButton button, Qt::KeyboardModifiers keys, QPoint at) {
  const bool selecting = Selecting();
  if ((!Floating() && !selecting) || !DrawingOn()) return false;
  if (button != Qt::LeftButton) return true;
  if (Floating()) {
    if (const auto corner = CornerAt(at)) {
      drag_ = Drag::kScale;
      corner_ = *corner;
    } else if (place_.contains(at)) {
      drag_ = Drag::kMove;
    } else {
      // A click beside the picture puts it down, and only that.
      PutDown();
      if (!selecting) return true;
    }
  } else if (!selection_.isEmpty() && selection_.contains(at)) {
    drag_ = Drag::kMove;
    copying_ = keys.testFlag(Qt::ControlModifier);
  }
  if (drag_ == Drag::kNone) {
    Clear();
    drag_ = Drag::kFrame;
    place_ = QRect(at, QSize(1, 1));
  }
  drag_from_ = at;
  place_from_ = place_;
  Show();
  return true;
}

bool BoardPieces::Move(Qt::MouseButtons buttons, Qt::KeyboardModifiers keys, QPoint at) {
  if (drag_ == Drag::kNone) {
    if (!Floating() && !Selecting()) return false;
    // The cursor says what a drag from here does.
    BoardView& view = *parts_.ui.Image_KV;
    if (Floating() && CornerAt(at)) {
      view.setCursor(*CornerAt(at) % 3 == 0 ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor);
    } else if ((Floating() || !selection_.isEmpty()) && place_.contains(at)) {
      view.setCursor(Qt::SizeAllCursor);
    } else {
      view.unsetCursor();
    }
    return true;
  }
  // The button came up where the board could not see it: the drag ends there.
  if (!buttons.testFlag(Qt::LeftButton)) return Release(Qt::LeftButton, keys, at);
  switch (drag_) {
    case Drag::kMove:
      place_ = place_from_.translated(at - drag_from_);
      break;
    case Drag::kScale:
      place_ = Scaled(at, keys.testFlag(Qt::ShiftModifier));
      break;
    case Drag::kFrame:
      place_ = QRect(drag_from_, at).normalized();
      break;
    case Drag::kNone:
      break;
  }
  Show();
  return true;
}

bool BoardPieces::Release(Qt::MouseButton button, Qt::KeyboardModifiers, QPoint) {
  if (drag_ == Drag::kNone) {
    return Floating() || Selecting();
  }
  if (button != Qt::LeftButton) return true;
  const Drag drag = std::exchange(drag_, Drag::kNone);
  const QRect board = parts_.board.Image().rect();
  if (drag == Drag::kFrame) {
    const QRect part = place_.intersected(board);
    if (part.width() < 2 || part.height() < 2) {
      Clear();
    } else {
      selection_ = part;
      place_ = part;
      picture_ = parts_.board.Image().copy(part);
    }
  } else if (!floating_ && place_ != selection_) {
    // The selected part moved: what it leaves takes the fill colour, unless
    // a copy moved, and the part lies where it was let go; one step.
    std::vector<drawing::Command> step;
    if (!copying_) step.push_back(Cleared(selection_));
    const std::vector<drawing::Command> piece = PieceCommands(picture_, place_.topLeft(), board);
    step.insert(step.end(), piece.begin(), piece.end());
    if (parts_.draw_step(step)) {
      selection_ = place_.intersected(board);
      place_ = selection_;
      picture_ = parts_.board.Image().copy(selection_);
    } else {
      place_ = selection_;
    }
    copying_ = false;
  }
  Show();
  return true;
}

void BoardPieces::CancelDrag() {
  if (drag_ == Drag::kNone) return;
  const Drag drag = std::exchange(drag_, Drag::kNone);
  if (drag == Drag::kFrame) {
    Clear();
  } else {
    place_ = place_from_;
    copying_ = false;
  }
  Show();
}

bool BoardPieces::Key(int key) {
  if (!Floating() && selection_.isEmpty()) return false;
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (!Floating()) return false;
      PutDown();
      return true;
    case Qt::Key_Escape:
      TakeAway();  // the floating picture, or the selection
      return true;
    case Qt::Key_Delete:
      Floating() ? TakeAway() : DeleteSelection();
      return true;
    default:
      return false;
  }
}

std::optional<int> BoardPieces::CornerAt(QPoint at) const {
  if (!Floating()) return std::nullopt;
  const int reach = parts_.ui.Image_KV->HandleReach();
  const QRect frame = place_.adjusted(0, 0, -1, -1);
  const QPoint corners[] = {frame.topLeft(), frame.topRight(), frame.bottomLeft(),
                            frame.bottomRight()};
  for (int i = 0; i < 4; ++i) {
    if (std::abs(at.x() - corners[i].x()) <= reach && std::abs(at.y() - corners[i].y()) <= reach) {
      return i;
    }
  }
  return std::nullopt;
}

QRect BoardPieces::Scaled(QPoint at, bool keep_proportions) const {
  // The corner opposite the one dragged stays where it is.
  const QRect from = place_from_;
  const bool left = corner_ == 0 || corner_ == 2;
  const bool top = corner_ == 0 || corner_ == 1;
  const QPoint fixed(left ? from.right() + 1 : from.left(), top ? from.bottom() + 1 : from.top());
  int width = std::max(1, std::abs(at.x() - fixed.x()));
  int height = std::max(1, std::abs(at.y() - fixed.y()));
  if (keep_proportions && !picture_.isNull()) {
    const double ratio = double(picture_.width()) / picture_.height();
    if (width > height * ratio) {
      height = std::max(1, int(std::lround(width / ratio)));
    } else {
      width = std::max(1, int(std::lround(height * ratio)));
    }
  }
  // The picture is drawn at this size when it goes down: no larger than
  // twice the board each way, nor than the largest picture read.
  const QSize board = parts_.board.Image().size();
  width = std::min(width, 2 * std::max(board.width(), 1));
  height = std::min(height, 2 * std::max(board.height(), 1));
  if (const double pixels = double(width) * height; pixels > double(pictures::kMaxPixels)) {
    const double shrink = std::sqrt(double(pictures::kMaxPixels) / pixels);
    width = std::max(1, int(width * shrink));
    height = std::max(1, int(height * shrink));
  }
  return QRect(left ? fixed.x() - width : fixed.x(), top ? fixed.y() - height : fixed.y(), width,
               height);
}

void BoardPieces::Show() {
  BoardView::Piece piece;
  if (Floating() || !selection_.isEmpty() || drag_ == Drag::kFrame) {
    piece.place = place_;
    piece.handles = Floating();
    // A selection shows its picture only while it moves.
    if (Floating() || place_ != selection_) piece.pixels = picture_;
    if (!Floating() && !copying_ && place_ != selection_ && drag_ == Drag::kMove) {
      piece.vacated = selection_;
      piece.vacated_color = ToQColor(StringToColor(parts_.tools.FillColorName()));
    }
  }
  parts_.ui.Image_KV->ShowPiece(piece);
}

void BoardPieces::Clear() {
  picture_ = QImage();
  place_ = QRect();
  selection_ = QRect();
  floating_ = false;
  copying_ = false;
  drag_ = Drag::kNone;
  parts_.ui.Image_KV->unsetCursor();
}

void BoardPieces::PutDown() {
  if (!Floating()) return;
  if (!DrawingOn()) return Tell(kTickHint);
  // Drawn at the size it shows, over what lies under it: a picture's
  // transparent parts keep the board's pixels.
  const QImage scaled =
      picture_.size() == place_.size()
          ? picture_
          : picture_.scaled(place_.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  QImage pixels = parts_.board.Image().copy(place_).convertToFormat(QImage::Format_RGB32);
  {
    QPainter painter(&pixels);
    painter.drawImage(0, 0, scaled);
  }
  if (!parts_.draw_step(PieceCommands(pixels, place_.topLeft(), parts_.board.Image().rect()))) {
    return;  // a gesture is under way; the picture floats on
  }
  Clear();
  Show();
}

void BoardPieces::TakeAway() {
  Clear();
  Show();
}

void BoardPieces::DeleteSelection() {
  if (selection_.isEmpty() || Floating()) return;
  if (!DrawingOn()) return Tell(kTickHint);
  if (!parts_.draw_step({Cleared(selection_)})) return;
  Clear();
  Show();
}

void BoardPieces::ToolChanged() {
  if (Floating()) {
    PutDown();
  } else if (!selection_.isEmpty()) {
    Clear();
    Show();
  }
}

std::vector<drawing::Command> BoardPieces::PieceCommands(const QImage& pixels, QPoint at,
                                                         const QRect& board) {
  const QImage rgb = pixels.convertToFormat(QImage::Format_RGB32);
  const QRect area = QRect(at, rgb.size()).intersected(board);
  std::vector<drawing::Command> commands;
  for (int y = area.top(); y <= area.bottom(); y += tiles::kTileSize) {
    for (int x = area.left(); x <= area.right(); x += tiles::kTileSize) {
      const QRect tile = QRect(x, y, tiles::kTileSize, tiles::kTileSize).intersected(area);
      for (const std::string& text :
           tiles::Encode(rgb, tile.translated(-at), kMaxPartText, tiles::Alphabet::kBytes, at)) {
        commands.push_back(drawing::Paste::Parse(text));
      }
    }
  }
  return commands;
}

void BoardPieces::Float(QImage picture, std::optional<QPoint> at) {
  PutDown();  // a picture still floating goes down first
  if (Floating()) return;
  Clear();
  const QRect board = parts_.board.Image().rect();
  if (board.isEmpty() || picture.isNull()) return;
  QSize size = picture.size();
  const bool shrunk = size.width() > board.width() || size.height() > board.height();
  if (shrunk) size.scale(board.size(), Qt::KeepAspectRatio);
  size = size.expandedTo(QSize(1, 1));
  QRect place(QPoint(), size);
  place.moveCenter(at.value_or(parts_.ui.Image_KV->VisibleBoard().center()));
  // On the board where it fits.
  place.moveLeft(std::clamp(place.left(), 0, std::max(0, board.width() - size.width())));
  place.moveTop(std::clamp(place.top(), 0, std::max(0, board.height() - size.height())));
  if (picture.hasAlphaChannel()) picture.convertTo(QImage::Format_ARGB32_Premultiplied);
  picture_ = std::move(picture);
  place_ = place;
  floating_ = true;
  Show();
  Tell(QStringLiteral("%1перетащите картинку или её угол (с Shift — в прежних пропорциях); "
                      "Enter или щелчок рядом — положить, Esc — убрать")
           .arg(shrunk ? QStringLiteral("Картинка уменьшена по доске; ") : QString()));
}

void BoardPieces::Paste(const pictures::Read& read, std::optional<QPoint> at) {
  if (read.picture.isNull()) return Tell(read.refusal);
  Float(read.picture, at);
}

void BoardPieces::PasteFile(const QString& path, std::optional<QPoint> at) {
  Paste(pictures::FromFile(path), at);
}

void BoardPieces::PastePicture(const QImage& picture, std::optional<QPoint> at) {
  Paste(pictures::FromImage(picture), at);
}

void BoardPieces::PasteFromClipboard() {
  // At the pointer when it is over the board, else in the middle of the view.
  const BoardView& view = *parts_.ui.Image_KV;
  std::optional<QPoint> at;
  if (view.underMouse()) at = view.BoardPointAt(QCursor::pos());
  Paste(pictures::FromClipboard(), at);
}

bool BoardPieces::TakeKey(int key, Qt::KeyboardModifiers keys, const QWidget* target) {
  // Enter, Esc and Delete are the message field's while it holds typed text.
  const QLineEdit& message = *parts_.ui.Edit_Mess;
  const bool typing = message.hasFocus() && !message.text().isEmpty();
  if (!typing && Key(key)) return true;
  if (keys != Qt::ControlModifier) return false;
  // Ctrl+V is the board's for a picture, Ctrl+C unless text is selected.
  if (key == Qt::Key_V && pictures::ClipboardHasPicture()) {
    PasteFromClipboard();
    return true;
  }
  const QWidget* pane = parts_.ui.RE_Mess;
  const bool text_selected = (target == &message && message.hasSelectedText()) ||
                             (target != nullptr && (target == pane || pane->isAncestorOf(target)));
  if (key != Qt::Key_C || text_selected) return false;
  CopyToClipboard();
  return true;
}

void BoardPieces::PeerDrew(const drawing::Paste& piece, quint32 from) {
  // Once for a picture, not for each of its tiles, and only where it
  // covers drawing: a picture on white takes nobody's work.
  if (from == told_from_ && told_.isValid() && !told_.hasExpired(kTellMs)) return;
  const QImage& board = parts_.board.Image();
  const QRect area = QRect(piece.x, piece.y, piece.width, piece.height).intersected(board.rect());
  if (area.isEmpty() || tiles::IsWhite(board, area)) return;
  told_from_ = from;
  told_.start();
  parts_.ui.Label_Notice->Tell(
      parts_.name_of(from),
      QStringLiteral("положил картинку или часть доски поверх нарисованного"));
}

void BoardPieces::CopyToClipboard() const {
  const QImage& board = parts_.board.Image();
  QImage picture;
  if (Floating()) {
    picture = picture_.scaled(place_.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  } else if (!selection_.isEmpty()) {
    picture = board.copy(selection_);
  } else {
    picture = board;
  }
  QGuiApplication::clipboard()->setImage(picture);
  Tell(selection_.isEmpty() && !Floating()
           ? QStringLiteral("Доска скопирована в буфер обмена")
           : QStringLiteral("Выделенная часть скопирована в буфер обмена (%1 × %2)")
                 .arg(picture.width())
                 .arg(picture.height()));
}

}  // namespace kovra
