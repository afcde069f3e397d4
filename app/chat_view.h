// RE_Mess, the message pane: the lines of ChatLines, the newest at the
// bottom, each wrapped to the pane's width, the time quiet, the name bold,
// this computer's own lines on a tint and the pane's own lines in grey. It
// scrolls by whole lines and lays out only the lines in sight, so a history
// of any length shows at once and a new line costs the same. Lines are
// selected with the mouse (Shift extends) and copied with Ctrl+C.
#pragma once

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QTextLayout>
#include <QTimer>
#include <memory>
#include <string>
#include <unordered_map>

namespace kovra {

class ChatLines;

class ChatView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit ChatView(QWidget* parent = nullptr);

  // The lines outlive the view; own_name is this computer's.
  void SetLines(const ChatLines* lines, std::string own_name);
  const ChatLines& Lines() const { return *lines_; }

  // The first line in sight, and whether the newest is in sight whole.
  int TopLine() const;
  bool ShowsNewest() const;
  // How many rows a line takes at the pane's width.
  int RowsOf(int line) const;
  void SelectLines(int first, int last);
  // The selected lines, top to bottom, one per text line.
  QString SelectedText() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void LayOut(QTextLayout& layout, int line, bool& own) const;
  // A line laid out at the pane's width, kept while it may be painted again.
  struct Laid {
    QTextLayout layout;
    bool own = false;  // this computer's line
  };
  const Laid& LaidOut(int line) const;
  int Height(int line) const;
  // Every line is laid out anew: the width or the lines changed.
  void Forget();
  // Lines came: the range takes them, and the pane shows them.
  void ShowNewLines();
  // The scroll range after lines came or the pane changed; follow keeps the
  // newest in sight if it was.
  void UpdateRange(bool follow);
  // The line at y in the viewport; the last one below the lines.
  int LineAt(int y) const;
  int Count() const;

  const ChatLines* lines_ = nullptr;
  // Heights of lines laid out at the pane's width: a line never changes,
  // so a new one costs one layout however often the range is worked out.
  mutable std::unordered_map<int, int> heights_;
  mutable std::unordered_map<int, std::unique_ptr<Laid>> laid_;
  QTimer range_due_;           // lines came since the range was worked out
  QElapsedTimer range_shown_;  // since it last was
  std::string own_name_;       // upper-cased
  int anchor_ = -1;            // the selection, from anchor_ to current_
  int current_ = -1;
};

}  // namespace kovra
