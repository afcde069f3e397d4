// Image_KV: shows the board picture at its natural size, or zoomed from 25%
// to 800% with sharp pixels, and reports the mouse in picture coordinates. It never draws into the
// picture; the board logic does. What a gesture in progress shows is painted above the picture.
#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <algorithm>

#include "board/band.h"

class QPainter;

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
  // Shows the band above the picture, replacing the one shown; a band of no
  // shape hides it.
  void ShowBand(const Band& band);
  const Band& CurrentBand() const { return band_; }
  // A peer's pointer at a board point: a small marker with the peer's name
  // above the picture, never in it, fading a few seconds after its last
  // move. key tells one peer's pointer from another's. A point off the
  // board shows at its edge. The pointers of listed peers come first: when
  // the view holds as many as it shows, a stranger's gives way to theirs.
  void ShowPointer(const QString& key, const QString& label, QPoint at, bool listed = true);
  int PointerCount() const { return static_cast<int>(pointers_.size()); }
  // Pointers shown at most: a stream of strangers cannot fill the view.
  static constexpr int kMaxPointers = 32;

  // A piece above the board: pixels shown scaled into place (board points)
  // in a dashed frame, with handles at its corners when it can be scaled,
  // over vacated shown in its colour; null pixels show the frame alone.
  struct Piece {
    QImage pixels;
    QRect place;
    QRect vacated;
    QColor vacated_color;
    bool handles = false;
  };
  void ShowPiece(const Piece& piece);
  void HidePiece() { ShowPiece(Piece{}); }
  const Piece& CurrentPiece() const { return piece_; }
  // The board point under a point of the screen, and the board's part the
  // view shows now (all of it when it is not shown).
  QPoint BoardPointAt(QPoint global) const { return ToBoard(mapFromGlobal(global)); }
  QRect VisibleBoard() const;
  // The corner handles' reach from their point, in board points at this zoom.
  int HandleReach() const { return std::max(1, 6 * 100 / zoom_); }

  // The zoom in percent, one of kZoomSteps; Ctrl with the wheel steps it.
  static constexpr int kZoomSteps[] = {25, 50, 75, 100, 150, 200, 300, 400, 600, 800};
  int Zoom() const { return zoom_; }
  void SetZoom(int percent);
  // One step larger (+1) or smaller (-1).
  void StepZoom(int direction);

 signals:
  void MousePressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);
  void MouseMoved(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int x, int y);
  void MouseReleased(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);
  // The view lost the mouse or was hidden: no release will come.
  void GestureLost();
  void ZoomChanged(int percent);
  // The board or the zoom changed the view's size.
  void SizeChanged();
  // Something was dropped on the board at a board point: files, or a picture.
  void FilesDropped(const QStringList& paths, QPoint at);
  void PictureDropped(const QImage& picture, QPoint at);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  struct Pointer {
    QString label;
    QPoint at;
    QElapsedTimer since;
    bool listed = false;
  };
  void PaintPending();
  void PaintBand(QPainter& painter) const;
  void PaintPointers(QPainter& painter) const;
  void PaintPiece(QPainter& painter) const;
  QRect PieceArea(const Piece& piece) const;
  QRect PointerArea(const Pointer& pointer) const;
  // Makes room for a listed peer's pointer; false when every one shown is listed.
  bool DropAStrangersPointer();
  void FadePointers();
  // Board points to the view's and back; the view's rect covers every
  // pixel that shows any of the board rect.
  QRect ToView(const QRect& board) const;
  QRect ToBoard(const QRect& view) const;
  QPoint ToBoard(QPoint view) const;
  QPoint ToView(QPoint board) const;
  void FitToImage();

  const QImage* image_ = nullptr;
  QRect pending_;
  Band band_;
  QTimer* frame_ = nullptr;
  QHash<QString, Pointer> pointers_;
  QTimer* fade_ = nullptr;
  int zoom_ = 100;
  Piece piece_;
};

}  // namespace kovra
