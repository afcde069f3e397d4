#include "board/board_view.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QUrl>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <iterator>

namespace kovra {

namespace {
constexpr int kFrameMs = 16;
// A pointer shows whole for so long after its last move, then fades out.
constexpr qint64 kPointerShownMs = 3000;
constexpr qint64 kPointerFadeMs = 2000;
constexpr int kFadeStepMs = 100;
constexpr int kMarkerRadius = 5;
}  // namespace

BoardView::BoardView(QWidget* parent)
    : QWidget(parent), frame_(new QTimer(this)), fade_(new QTimer(this)) {
  fade_->setInterval(kFadeStepMs);
  connect(fade_, &QTimer::timeout, this, &BoardView::FadePointers);
  setMouseTracking(true);  // moves without a button pressed are reported too
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAcceptDrops(true);
  frame_->setSingleShot(true);
  frame_->setInterval(kFrameMs);
  connect(frame_, &QTimer::timeout, this, &BoardView::PaintPending);
}

void BoardView::ImageChanged(const QRect& area) {
  pending_ |= area;
  if (!frame_->isActive()) frame_->start();
}

void BoardView::PaintPending() {
  update(ToView(pending_));
  pending_ = QRect();
}

QRect BoardView::ToView(const QRect& board) const {
  if (zoom_ == 100 || board.isEmpty()) return board;
  const qint64 left = qint64(board.left()) * zoom_ / 100;
  const qint64 top = qint64(board.top()) * zoom_ / 100;
  const qint64 right = (qint64(board.right()) + 1) * zoom_ / 100 + 1;
  const qint64 bottom = (qint64(board.bottom()) + 1) * zoom_ / 100 + 1;
  auto clamp = [](qint64 v) { return int(std::clamp<qint64>(v, -(1 << 30), 1 << 30)); };
  return QRect(QPoint(clamp(left), clamp(top)), QPoint(clamp(right), clamp(bottom)));
}

QRect BoardView::ToBoard(const QRect& view) const {
  if (zoom_ == 100) return view;
  return QRect(ToBoard(view.topLeft()), ToBoard(view.bottomRight())).adjusted(-1, -1, 1, 1);
}

QPoint BoardView::ToBoard(QPoint view) const {
  if (zoom_ == 100) return view;
  // Whole board pixels: the pixel under the mouse, however large it shows.
  auto board = [this](int v) { return int(std::floor(v * 100.0 / zoom_)); };
  return QPoint(board(view.x()), board(view.y()));
}

QPoint BoardView::ToView(QPoint board) const {
  return QPoint(int(qint64(board.x()) * zoom_ / 100), int(qint64(board.y()) * zoom_ / 100));
}

void BoardView::SetZoom(int percent) {
  if (std::find(std::begin(kZoomSteps), std::end(kZoomSteps), percent) == std::end(kZoomSteps))
    return;
  zoom_ = percent;
  FitToImage();
  update();
  emit ZoomChanged(zoom_);
}

void BoardView::StepZoom(int direction) {
  const int* at = std::find(std::begin(kZoomSteps), std::end(kZoomSteps), zoom_);
  const auto index = std::clamp<std::ptrdiff_t>((at - std::begin(kZoomSteps)) + direction, 0,
                                                std::size(kZoomSteps) - 1);
  SetZoom(kZoomSteps[index]);
}

void BoardView::FitToImage() {
  if (image_ == nullptr || image_->isNull()) return;
  const QSize before = size();
  setFixedSize(std::max(1, int(qint64(image_->width()) * zoom_ / 100)),
               std::max(1, int(qint64(image_->height()) * zoom_ / 100)));
  if (size() != before) emit SizeChanged();
}

void BoardView::wheelEvent(QWheelEvent* event) {
  if (!(event->modifiers() & Qt::ControlModifier)) return QWidget::wheelEvent(event);
  const int steps = event->angleDelta().y();
  if (steps != 0) StepZoom(steps > 0 ? 1 : -1);
  event->accept();  // the scroll box does not scroll meanwhile
}

namespace {

// The area a band's pixels lie in.
QRect BandArea(const Band& band) {
  if (band.shape == Band::Shape::kNone) return {};
  const int margin = std::min(band.width, 1 << 16) / 2 + 2;
  const QPoint top_left(std::min(band.from.x(), band.to.x()), std::min(band.from.y(), band.to.y()));
  const QPoint bottom_right(std::max(band.from.x(), band.to.x()),
                            std::max(band.from.y(), band.to.y()));
  return QRect(top_left, bottom_right).adjusted(-margin, -margin, margin, margin);
}

}  // namespace

void BoardView::ShowBand(const Band& band) {
  if (band == band_) return;
  update(ToView(BandArea(band_)));
  band_ = band;
  update(ToView(BandArea(band_)));
}

void BoardView::Show(const QImage* image) {
  image_ = image;
  FitToImage();
  update();
}

void BoardView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(event->rect(), palette().color(QPalette::Window));
  if (image_ != nullptr && !image_->isNull()) {
    if (zoom_ == 100) {
      painter.drawImage(event->rect(), *image_, event->rect());
    } else {
      // Whole board pixels, each drawn as a sharp square of its zoomed size.
      const QRect source = ToBoard(event->rect()).intersected(image_->rect());
      painter.drawImage(
          QRectF(QPointF(source.left() * zoom_ / 100.0, source.top() * zoom_ / 100.0),
                 QSizeF(source.width() * zoom_ / 100.0, source.height() * zoom_ / 100.0)),
          *image_, source);
    }
  }
  if (band_.shape != Band::Shape::kNone) {
    painter.save();
    painter.scale(zoom_ / 100.0, zoom_ / 100.0);
    PaintBand(painter);
    painter.restore();
  }
  if (!piece_.place.isEmpty()) PaintPiece(painter);
  if (!pointers_.isEmpty()) PaintPointers(painter);
}

void BoardView::ShowPiece(const Piece& piece) {
  update(PieceArea(piece_));
  piece_ = piece;
  update(PieceArea(piece_));
}

QRect BoardView::PieceArea(const Piece& piece) const {
  if (piece.place.isEmpty()) return {};
  // The frame and the handles reach a few view pixels beyond the place.
  return ToView(piece.place.united(piece.vacated)).adjusted(-8, -8, 8, 8);
}

void BoardView::PaintPiece(QPainter& painter) const {
  painter.save();
  if (!piece_.vacated.isEmpty()) painter.fillRect(ToView(piece_.vacated), piece_.vacated_color);
  const QRect place = ToView(piece_.place);
  if (!piece_.pixels.isNull()) {
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(place, piece_.pixels);
  }
  // Dashes of black on white: seen on any picture.
  const QRect frame = place.adjusted(0, 0, -1, -1);
  painter.setPen(QPen(Qt::white, 1));
  painter.drawRect(frame);
  painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
  painter.drawRect(frame);
  if (piece_.handles) {
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    for (const QPoint corner :
         {frame.topLeft(), frame.topRight(), frame.bottomLeft(), frame.bottomRight()}) {
      painter.drawRect(QRect(corner - QPoint(3, 3), QSize(7, 7)));
    }
  }
  painter.restore();
}

QRect BoardView::VisibleBoard() const {
  const QRect board = image_ != nullptr ? image_->rect() : QRect();
  const QRect shown = visibleRegion().boundingRect();
  if (shown.isEmpty()) return board;
  return ToBoard(shown).intersected(board);
}

void BoardView::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls() || event->mimeData()->hasImage()) event->acceptProposedAction();
}

void BoardView::dragMoveEvent(QDragMoveEvent* event) { event->acceptProposedAction(); }

void BoardView::dropEvent(QDropEvent* event) {
  const QPoint at = ToBoard(event->position().toPoint());
  const QMimeData* data = event->mimeData();
  QStringList paths;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) paths.append(url.toLocalFile());
  }
  event->acceptProposedAction();
  if (!paths.isEmpty()) {
    emit FilesDropped(paths, at);
  } else if (data->hasImage()) {
    emit PictureDropped(qvariant_cast<QImage>(data->imageData()), at);
  }
}

void BoardView::ShowPointer(const QString& key, const QString& label, QPoint at, bool listed) {
  // Clamped before any arithmetic: a peer's point may be anything.
  const QRect board = image_ != nullptr && !image_->isNull() ? image_->rect() : QRect(0, 0, 1, 1);
  at = QPoint(std::clamp(at.x(), board.left(), board.right()),
              std::clamp(at.y(), board.top(), board.bottom()));
  auto found = pointers_.find(key);
  if (found == pointers_.end()) {
    if (pointers_.size() >= kMaxPointers && !(listed && DropAStrangersPointer())) return;
    found = pointers_.insert(key, Pointer{});
  } else {
    update(PointerArea(*found));
  }
  found->listed = found->listed || listed;
  found->label = label;
  found->at = at;
  found->since.start();
  update(PointerArea(*found));
  if (!fade_->isActive()) fade_->start();
}

bool BoardView::DropAStrangersPointer() {
  auto oldest = pointers_.end();
  for (auto it = pointers_.begin(); it != pointers_.end(); ++it) {
    if (!it->listed && (oldest == pointers_.end() || it->since.elapsed() > oldest->since.elapsed()))
      oldest = it;
  }
  if (oldest == pointers_.end()) return false;
  update(PointerArea(*oldest));
  pointers_.erase(oldest);
  return true;
}

QRect BoardView::PointerArea(const Pointer& pointer) const {
  const QRect text = fontMetrics().boundingRect(pointer.label);
  const int margin = kMarkerRadius + 2;
  const QPoint at = ToView(pointer.at);
  return QRect(at.x() - margin, at.y() - margin, 2 * margin + 4 + text.width() + 4,
               2 * margin + text.height() + 4);
}

void BoardView::PaintPointers(QPainter& painter) const {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  for (auto it = pointers_.cbegin(); it != pointers_.cend(); ++it) {
    const qint64 age = it->since.elapsed();
    const qreal fading = std::clamp(qreal(age - kPointerShownMs) / kPointerFadeMs, 0.0, 1.0);
    painter.setOpacity(1.0 - fading);
    // A colour of the peer's own, the same on every repaint.
    const QColor colour = QColor::fromHsv(int(qHash(it.key()) % 360), 200, 220);
    painter.setPen(QPen(Qt::white, 1.5));
    painter.setBrush(colour);
    const QPoint at = ToView(it->at);
    painter.drawEllipse(QPointF(at), kMarkerRadius, kMarkerRadius);
    const QPoint label_at = at + QPoint(kMarkerRadius + 4, kMarkerRadius + 2);
    QRect box = fontMetrics().boundingRect(it->label).translated(label_at);
    box.moveTopLeft(label_at);
    painter.fillRect(box.adjusted(-2, 0, 2, 0), QColor(255, 255, 255, 200));
    painter.setPen(colour.darker(160));
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop, it->label);
  }
  painter.restore();
}

void BoardView::FadePointers() {
  for (auto it = pointers_.begin(); it != pointers_.end();) {
    const qint64 age = it->since.elapsed();
    if (age > kPointerShownMs) update(PointerArea(*it));
    if (age > kPointerShownMs + kPointerFadeMs) {
      it = pointers_.erase(it);
    } else {
      ++it;
    }
  }
  if (pointers_.isEmpty()) fade_->stop();
}

void BoardView::PaintBand(QPainter& painter) const {
  const QPoint a = band_.from;
  const QPoint b = band_.to;
  if (band_.shape == Band::Shape::kSquare) {
    const QRect square(a, b);
    for (const QRect& edge : {QRect(square.left(), square.top(), square.width(), 1),
                              QRect(square.left(), square.bottom(), square.width(), 1),
                              QRect(square.left(), square.top(), 1, square.height()),
                              QRect(square.right(), square.top(), 1, square.height())}) {
      painter.fillRect(edge, Qt::black);
    }
    return;
  }
  painter.save();
  // Inverted pixels, as a black pen in not-xor: every pixel of the band once.
  painter.setCompositionMode(QPainter::RasterOp_NotDestination);
  painter.setPen(QPen(Qt::black, std::clamp(band_.width, 1, 1 << 16), Qt::SolidLine, Qt::FlatCap,
                      Qt::MiterJoin));
  painter.setBrush(Qt::NoBrush);
  if (band_.shape == Band::Shape::kSegment) {
    painter.drawLine(a, b);
  } else if (band_.shape == Band::Shape::kFrame) {
    painter.drawPolygon(QPolygon({a, QPoint(b.x(), a.y()), b, QPoint(a.x(), b.y())}));
  } else {
    // The box from corner to corner, right and bottom edges excluded.
    painter.drawEllipse(QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                              QPoint(std::max(a.x(), b.x()) - 1, std::max(a.y(), b.y()) - 1)));
  }
  painter.restore();
}

void BoardView::mousePressEvent(QMouseEvent* event) {
  const QPoint p = ToBoard(event->position().toPoint());
  emit MousePressed(event->button(), event->modifiers(), p.x(), p.y());
}

void BoardView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = ToBoard(event->position().toPoint());
  emit MouseMoved(event->buttons(), event->modifiers(), p.x(), p.y());
}

void BoardView::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint p = ToBoard(event->position().toPoint());
  emit MouseReleased(event->button(), event->modifiers(), p.x(), p.y());
}

void BoardView::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  emit GestureLost();
}

void BoardView::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  emit GestureLost();
}

}  // namespace kovra
