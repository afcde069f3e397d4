// A list box that only the left button and the keyboard operate, as the
// classic list box is (ListTools, List_W): a right or middle click changes
// nothing. It tells of every choice the user makes, and of none the
// program makes.
#pragma once

#include <QListWidget>

namespace kovra {

class ChoiceList : public QListWidget {
  Q_OBJECT

 public:
  using QListWidget::QListWidget;

 signals:
  // A left click (on the entry already chosen too), the end of a drag
  // across the entries, or a keyboard move to another entry.
  void Chosen();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool pressed_ = false;
  int row_at_press_ = -1;
};

}  // namespace kovra
