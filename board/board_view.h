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

  // Shows image and takes its size.
  void SetImage(const QImage& image);
  const QImage& Image() const { return image_; }
  // Repaints the part that changed, in picture coordinates.
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
  QImage image_;
};

}  // namespace kovra
