#include "app/board_pieces.h"

#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QCursor>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QLocale>
#include <QMimeData>
#include <QPainter>
#include <algorithm>
#include <cmath>

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
namespace {

const QString kFromClipboard = QStringLiteral("Картинка из буфера обмена");

QString Grouped(qint64 number) { return QLocale(QLocale::Russian).toString(number); }

}  // namespace

BoardPieces::BoardPieces(Parts parts, QObject* parent) : QObject(parent), parts_(std::move(parts)) {}

bool BoardPieces::DrawingOn() const { return parts_.ui.CB_YesPaint->isChecked(); }

void BoardPieces::Tell(const QString& text) const { parts_.ui.Label_Notice->Tell(QString(), text); }

QString BoardPieces::FillColorText() const {
  return QString::fromStdString(parts_.tools.FillColorName());
}

bool BoardPieces::Press(Qt::MouseButton button, Qt::KeyboardModifiers keys, QPoint at) {
  const bool selecting = parts_.ui.ListTools->currentRow() == ToolRow(ToolId::kSelect);
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
  const bool selecting = parts_.ui.ListTools->currentRow() == ToolRow(ToolId::kSelect);
  if (drag_ == Drag::kNone) {
    if (!Floating() && !selecting) return false;
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
    return Floating() || parts_.ui.ListTools->currentRow() == ToolRow(ToolId::kSelect);
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
    if (!copying_) {
      const std::string fill = parts_.tools.FillColorName();
      step.push_back(drawing::RectangleFill{{selection_.left(), selection_.top(),
                                             selection_.right() + 1, selection_.bottom() + 1, 1,
                                             fill, fill}});
    }
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
      if (Floating()) {
        TakeAway();
      } else {
        Clear();
        Show();
      }
      return true;
    case Qt::Key_Delete:
      if (Floating()) {
        TakeAway();
      } else {
        DeleteSelection();
      }
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
  // No larger than the board many times over: the picture is drawn at this size.
  const QSize board = parts_.board.Image().size();
  width = std::min(width, 4 * std::max(board.width(), 1));
  height = std::min(height, 4 * std::max(board.height(), 1));
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
  const QImage scaled = picture_.size() == place_.size()
                            ? picture_
                            : picture_.scaled(place_.size(), Qt::IgnoreAspectRatio,
                                              Qt::SmoothTransformation);
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
  const std::string fill = parts_.tools.FillColorName();
  const std::vector<drawing::Command> step = {drawing::RectangleFill{
      {selection_.left(), selection_.top(), selection_.right() + 1, selection_.bottom() + 1, 1,
       fill, fill}}};
  if (!parts_.draw_step(step)) return;
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
      for (const std::string& text : tiles::Encode(rgb, tile.translated(-at), kMaxPartText,
                                                   tiles::Alphabet::kBytes, at)) {
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

std::optional<QImage> BoardPieces::Read(QIODevice& device, const QString& name) const {
  QImageReader reader(&device);
  reader.setAutoTransform(true);
  // Whatever the header says, the decoder takes no more than such a picture.
  reader.setAllocationLimit(int(kMaxPicturePixels * 4 / (1024 * 1024)) + 1);
  if (!reader.canRead()) {
    Tell(QStringLiteral("%1 — не картинка, вставлять нечего").arg(name));
    return std::nullopt;
  }
  const QSize size = reader.size();
  auto too_large = [&](QSize found) {
    Tell(QStringLiteral("%1 слишком велика: %2 × %3 точек, можно до %4")
             .arg(name, Grouped(found.width()), Grouped(found.height()),
                  Grouped(kMaxPicturePixels)));
  };
  if (size.isValid() && qint64{size.width()} * size.height() > kMaxPicturePixels) {
    too_large(size);
    return std::nullopt;
  }
  QImage picture = reader.read();
  if (picture.isNull()) {
    Tell(QStringLiteral("%1 не прочитана: %2").arg(name, reader.errorString()));
    return std::nullopt;
  }
  if (qint64{picture.width()} * picture.height() > kMaxPicturePixels) {
    too_large(picture.size());
    return std::nullopt;
  }
  return picture;
}

void BoardPieces::PasteFile(const QString& path, std::optional<QPoint> at) {
  const QString name = QStringLiteral("«%1»").arg(QFileInfo(path).fileName());
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return Tell(QStringLiteral("%1 не открыт: %2").arg(name, file.errorString()));
  }
  if (std::optional<QImage> picture = Read(file, name)) Float(std::move(*picture), at);
}

void BoardPieces::PastePicture(const QImage& picture, std::optional<QPoint> at) {
  if (qint64{picture.width()} * picture.height() > kMaxPicturePixels) {
    return Tell(QStringLiteral("Картинка слишком велика: %1 × %2 точек")
                    .arg(Grouped(picture.width()), Grouped(picture.height())));
  }
  Float(picture, at);
}

bool BoardPieces::ClipboardHasPicture() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (data == nullptr) return false;
  if (data->hasImage()) return true;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile() && !QImageReader::imageFormat(url.toLocalFile()).isEmpty()) return true;
  }
  return false;
}

std::optional<QImage> BoardPieces::ReadClipboard() const {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (data != nullptr) {
    // This program's own picture is whole already; another's is read from
    // its bytes, so that its size is known before it is decoded.
    if (data->hasFormat(QStringLiteral("application/x-qt-image"))) {
      const QImage picture = qvariant_cast<QImage>(data->imageData());
      if (qint64{picture.width()} * picture.height() <= kMaxPicturePixels) return picture;
    }
    QStringList formats = data->formats().filter(QStringLiteral("image/"));
    // The formats that keep every pixel first.
    std::stable_sort(formats.begin(), formats.end(), [](const QString& a, const QString&) {
      return a == QStringLiteral("image/png") || a == QStringLiteral("image/bmp");
    });
    for (const QString& format : formats) {
      QByteArray bytes = data->data(format);
      QBuffer buffer(&bytes);
      if (bytes.isEmpty() || !buffer.open(QIODevice::ReadOnly)) continue;
      return Read(buffer, kFromClipboard);
    }
    for (const QUrl& url : data->urls()) {
      if (!url.isLocalFile()) continue;
      QFile file(url.toLocalFile());
      if (file.open(QIODevice::ReadOnly)) {
        return Read(file, QStringLiteral("«%1»").arg(QFileInfo(file).fileName()));
      }
    }
  }
  Tell(QStringLiteral("В буфере обмена нет картинки"));
  return std::nullopt;
}

void BoardPieces::PasteFromClipboard() {
  std::optional<QImage> picture = ReadClipboard();
  if (!picture) return;
  // At the pointer when it is over the board, else in the middle of the view.
  BoardView& view = *parts_.ui.Image_KV;
  std::optional<QPoint> at;
  if (view.underMouse()) at = view.BoardPointAt(QCursor::pos());
  Float(std::move(*picture), at);
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
