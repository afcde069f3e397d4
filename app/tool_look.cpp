#include "app/tool_look.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace kovra {
namespace {

constexpr int kIcon = 16;
const QColor kInk(40, 40, 40);
const QColor kTint(70, 130, 200);

// A 16 by 16 picture drawn by draw on a transparent ground.
template <typename Draw>
QIcon Drawn(Draw draw, QSize size = QSize(kIcon, kIcon)) {
  QPixmap pixmap(size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  draw(painter);
  return QIcon(pixmap);
}

QPen Ink(qreal width = 1.5) { return QPen(kInk, width, Qt::SolidLine, Qt::RoundCap); }

}  // namespace

QIcon ToolIcon(ToolId id) {
  return Drawn([id](QPainter& p) {
    p.setPen(Ink());
    switch (id) {
      case ToolId::kFreehand: {
        QPainterPath path(QPointF(2, 12));
        path.cubicTo(5, 2, 9, 16, 14, 4);
        p.drawPath(path);
        break;
      }
      case ToolId::kEraser:
        p.translate(8, 8);
        p.rotate(-35);
        p.setBrush(QColor(240, 150, 160));
        p.drawRect(QRectF(-6, -3.5, 12, 7));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(-6, -3.5, 4, 7));
        break;
      case ToolId::kStraightLine:
        p.drawLine(QPointF(2.5, 13.5), QPointF(13.5, 2.5));
        break;
      case ToolId::kRectangle:
        p.drawRect(QRectF(2.5, 4.5, 11, 8));
        break;
      case ToolId::kFilledRectangle:
        p.setBrush(kTint);
        p.drawRect(QRectF(2.5, 4.5, 11, 8));
        break;
      case ToolId::kEllipse:
        p.drawEllipse(QRectF(1.5, 3.5, 13, 9));
        break;
      case ToolId::kFilledEllipse:
        p.setBrush(kTint);
        p.drawEllipse(QRectF(1.5, 3.5, 13, 9));
        break;
      case ToolId::kFloodFill:
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF({QPointF(2, 7), QPointF(7, 2), QPointF(12, 7), QPointF(7, 12)}));
        p.setPen(Qt::NoPen);
        p.setBrush(kTint);
        p.drawEllipse(QRectF(11, 9, 4, 6));
        break;
      case ToolId::kText: {
        QFont font = p.font();
        font.setBold(true);
        font.setPixelSize(14);
        p.setFont(font);
        p.drawText(QRect(0, 0, kIcon, kIcon), Qt::AlignCenter, QStringLiteral("T"));
        break;
      }
      case ToolId::kPointer:
        p.setBrush(Qt::white);
        p.drawPolygon(
            QPolygonF({QPointF(3, 1.5), QPointF(3, 13), QPointF(6, 10), QPointF(8.5, 14.5),
                       QPointF(10.5, 13.5), QPointF(8, 9), QPointF(12, 9)}));
        break;
      case ToolId::kSelect:
        p.setPen(QPen(kInk, 1, Qt::DashLine));
        p.drawRect(QRectF(2.5, 3.5, 11, 9));
        break;
    }
  });
}

QIcon WidthIcon(int width) {
  return Drawn(
      [width](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing, false);
        const int shown = std::clamp(width, 1, kWidthIconSize.height());
        p.fillRect(
            QRect(1, (kWidthIconSize.height() - shown) / 2, kWidthIconSize.width() - 2, shown),
            kInk);
      },
      kWidthIconSize);
}

const std::array<QColor, 16> ColorPalette::kColors = {
    QColor(0, 0, 0),       QColor(128, 128, 128), QColor(128, 0, 0),   QColor(255, 0, 0),
    QColor(128, 128, 0),   QColor(255, 255, 0),   QColor(0, 128, 0),   QColor(0, 255, 0),
    QColor(255, 255, 255), QColor(192, 192, 192), QColor(0, 128, 128), QColor(0, 255, 255),
    QColor(0, 0, 128),     QColor(0, 0, 255),     QColor(128, 0, 128), QColor(255, 0, 255)};

ColorPalette::ColorPalette(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Palette"));
  setToolTip(QStringLiteral("Левая кнопка — цвет линий, правая — цвет заливки"));
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QSize ColorPalette::sizeHint() const { return QSize(kColumns * 16, 2 * 11); }

QRect ColorPalette::Swatch(int index) const {
  const int column = index % kColumns;
  const int row = index / kColumns;
  const int left = column * width() / kColumns;
  const int right = (column + 1) * width() / kColumns;
  const int top = row * height() / 2;
  const int bottom = (row + 1) * height() / 2;
  return QRect(left, top, right - left, bottom - top);
}

QPoint ColorPalette::SwatchCenter(int index) const { return Swatch(index).center(); }

void ColorPalette::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  for (int i = 0; i < static_cast<int>(kColors.size()); ++i) {
    const QRect swatch = Swatch(i).adjusted(1, 1, -1, -1);
    painter.fillRect(swatch, kColors[static_cast<std::size_t>(i)]);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(swatch.adjusted(0, 0, -1, -1));
  }
}

void ColorPalette::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) return;
  for (int i = 0; i < static_cast<int>(kColors.size()); ++i) {
    if (Swatch(i).contains(event->position().toPoint())) {
      emit Chosen(kColors[static_cast<std::size_t>(i)], event->button());
      return;
    }
  }
}

}  // namespace kovra
