// Image_KV: shows the board picture at its natural size and reports the
// mouse in picture coordinates. It never draws; the board logic does.
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>

namespace kovra {

class BoardView : public QWidget {
  Q_OBJECT

 public:
  explicit BoardView(QWidget* parent = nullptr);

  // Shows the image (not owned; it outlives the view) at its natural size.
  // Call again whenever the image is replaced or resized.
  void Show(const QImage* image);
  // Schedules a repaint of the part that changed. Changes are gathered and
  // painted at most once a frame, never once per received command.
  void ImageChanged(const QRect& area);

 signals:
  void MousePressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);
  void MouseMoved(Qt::KeyboardModifiers modifiers, int x, int y);
  void MouseReleased(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void PaintPending();

  const QImage* image_ = nullptr;
  QRect pending_;
  QTimer* frame_ = nullptr;
};

}  // namespace kovra
