#include "board/canvas.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <climits>

#include "board/flood_fill.h"

namespace kovra {
namespace {}  // namespace

QFont BoardCanvas::DefaultFont() {
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPointSize(8);
  return font;
}

QFont BoardCanvas::DrawnFont(QFont font) {
#ifdef Q_OS_WIN
  static const QString kHeir = QStringLiteral("Microsoft Sans Serif");
  static const bool has_heir = QFontDatabase::families().contains(kHeir, Qt::CaseInsensitive);
  if (has_heir &&
      font.family().compare(QStringLiteral("MS Sans Serif"), Qt::CaseInsensitive) == 0) {
    font.setFamily(kHeir);
  }
#endif
  return font;
}

bool BoardCanvas::SizeAllowed(qint64 width, qint64 height) {
  return width > 0 && height > 0 && width <= kMaxPixels && height <= kMaxPixels &&
         width * height <= kMaxPixels;
}

void BoardCanvas::Reset(const QImage& picture) {
  if (replacing_ && !image_.isNull()) replacing_();
  image_ = picture.convertToFormat(QImage::Format_RGB32);
  image_.setDotsPerMeterX(kDotsPerMeter);
  image_.setDotsPerMeterY(kDotsPerMeter);
  state_ = FreshState();
}

DrawingState BoardCanvas::FreshState() {
  DrawingState state;
  state.font = DefaultFont();
  return state;
}

void BoardCanvas::Paste(const QImage& pixels, QPoint at) {
  if (pasting_ && QRect(at, pixels.size()).intersects(image_.rect())) pasting_(pixels, at);
  DrawPixels(pixels, at);
}

void BoardCanvas::DrawPixels(const QImage& pixels, QPoint at) {
  const QRect area = QRect(at, pixels.size()).intersected(image_.rect());
  if (area.isEmpty()) return;
  {
    QPainter painter(&image_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(area.topLeft(), pixels, area.translated(-at));
  }
  Changed(area);
}

void BoardCanvas::Resize(int width, int height) {
  if (replacing_ && !image_.isNull()) replacing_();
  QImage resized(width, height, QImage::Format_RGB32);
  resized.setDotsPerMeterX(kDotsPerMeter);
  resized.setDotsPerMeterY(kDotsPerMeter);
  resized.fill(Qt::white);
  if (!image_.isNull()) {
    QPainter painter(&resized);
    painter.drawImage(0, 0, image_);
  }
  image_ = std::move(resized);
}

void BoardCanvas::SwapState(DrawingState& state) { std::swap(state_, state); }

void BoardCanvas::SetPenWidth(int width) {
  if (width >= 0) state_.pen_width = width;
}

void BoardCanvas::SetBrushColor(TColor color) {
  state_.brush_color = color;
  state_.brush_style = BrushStyle::kSolid;
}

void BoardCanvas::SetBrushStyle(BrushStyle style) {
  state_.brush_style = style;
  if (style == BrushStyle::kClear) state_.brush_color = kClWhite;
}

void BoardCanvas::SetFont(const QFont& font, TColor color) {
  state_.font = font;
  state_.font_color = color;
}

void BoardCanvas::SetFontStyle(bool bold, bool italic, bool underline, bool strike_out) {
  state_.font.setBold(bold);
  state_.font.setItalic(italic);
  state_.font.setUnderline(underline);
  state_.font.setStrikeOut(strike_out);
}

void BoardCanvas::Changed(const QRect& area) {
  const QRect visible = area.intersected(image_.rect());
  if (changed_ && !visible.isEmpty()) changed_(visible);
}

void BoardCanvas::LineTo(int x, int y) {
  const QPoint from = state_.pen_pos;
  const QPoint to(x, y);
  state_.pen_pos = to;
  if (image_.isNull() || from == to) return;
  const QRgb color = ToQColor(state_.pen_color).rgb();
  // Width 0 is the thinnest line there is.
  Changed(state_.pen_width <= 1
              ? raster::ThinLine(image_, from, to, color, state_.pen_mode)
              : raster::WideLine(image_, from, to, state_.pen_width, color, state_.pen_mode));
}

void BoardCanvas::FillRect(const QRect& area) {
  if (image_.isNull() || state_.brush_style == BrushStyle::kClear) return;
  const QRect box = area.normalized();
  const QRgb color = ToQColor(state_.brush_color).rgb();
  // Pen and fill in the brush colour: every pixel of the box, painted once.
  Changed(raster::Rectangle(
      image_,
      {box.left(), box.top(), box.left() + qint64(box.width()), box.top() + qint64(box.height())},
      1, color, color, state_.pen_mode));
}

void BoardCanvas::PaintFigure(int x0, int y0, int x1, int y1, Figure figure) {
  if (image_.isNull()) return;
  std::optional<QRgb> fill;
  if (state_.brush_style == BrushStyle::kSolid) fill = ToQColor(state_.brush_color).rgb();
  Changed(figure(image_, raster::Box::FromCorners(QPoint(x0, y0), QPoint(x1, y1)), state_.pen_width,
                 ToQColor(state_.pen_color).rgb(), fill, state_.pen_mode));
}

void BoardCanvas::Rectangle(int x0, int y0, int x1, int y1) {
  PaintFigure(x0, y0, x1, y1, raster::Rectangle);
}

void BoardCanvas::Ellipse(int x0, int y0, int x1, int y1) {
  PaintFigure(x0, y0, x1, y1, raster::Ellipse);
}

TColor BoardCanvas::Pixel(int x, int y) const {
  if (!image_.valid(x, y)) return kClWhite;
  return FromQColor(QColor(image_.pixel(x, y)));
}

void BoardCanvas::FloodFill(int x, int y) {
  if (!image_.valid(x, y)) return;
  const QRgb target = image_.pixel(x, y);
  const QRgb paint = ToQColor(state_.brush_color).rgb();
  const QRect filled = ScanLineFill(image_, QPoint(x, y), target, paint);
  Changed(filled);
}

void BoardCanvas::TextOut(int x, int y, const QString& text) {
  QFont font = DrawnFont(state_.font);
  font.setPointSize(std::clamp(font.pointSize(), 1, kMaxFontPoints));
  const QFontMetrics metrics(font, &image_);
  const int width = metrics.horizontalAdvance(text);
  state_.pen_pos =
      QPoint(static_cast<int>(std::clamp<qint64>(qint64(x) + width, INT_MIN, INT_MAX)), y);
  if (image_.isNull() || text.isEmpty()) return;
  // Glyphs may reach past the advance (italics, overhangs): the changed area
  // covers the ink as well as the background box.
  const QRect ink = metrics.boundingRect(text).adjusted(-2, -2, 2, 2);
  const qint64 left = qint64(x) + std::min(0, ink.left());
  const qint64 right = qint64(x) + std::max(width, ink.right());
  const qint64 top = qint64(y) + std::min(0, ink.top() + metrics.ascent());
  const qint64 bottom = qint64(y) + std::max(metrics.height(), ink.bottom() + metrics.ascent());
  // Wholly off the board: nothing to draw. Otherwise every coordinate is
  // within a text's size of the board, well inside what the painter takes.
  if (right < 0 || bottom < 0 || left >= image_.width() || top >= image_.height()) return;
  const QRect box(x, y, width, metrics.height());
  QPainter painter(&image_);
  painter.setFont(font);
  painter.setPen(ToQColor(state_.font_color));
  if (state_.brush_style == BrushStyle::kSolid) painter.fillRect(box, ToQColor(state_.brush_color));
  painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
  Changed(QRect(QPoint(static_cast<int>(left), static_cast<int>(top)),
                QPoint(static_cast<int>(right), static_cast<int>(bottom))));
}

}  // namespace kovra
