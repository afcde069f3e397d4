// Image_KV: shows the board picture at its natural size and reports the
// mouse in picture coordinates. It never draws; the board logic does.
#pragma once

#include <QImage>
#include <QWidget>

namespace kovra {

class BoardView : public QWidget {
  Q_OBJECT

 public:
  explicit BoardView(QWidget* parent = nullptr);

  // Shows the image (not owned; it outlives the view) at its natural size.
  // Call again whenever the image is replaced or resized.
  void Show(const QImage* image);
  // Schedules a repaint of the part that changed; Qt merges the requests,
  // so a burst of drawing repaints once.
  void ImageChanged(const QRect& area) { update(area); }

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
  const QImage* image_ = nullptr;
};

}  // namespace kovra
