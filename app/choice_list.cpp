#include "app/choice_list.h"

#include <QMouseEvent>
#include <utility>

namespace kovra {

void ChoiceList::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return event->accept();
  pressed_ = true;
  row_at_press_ = currentRow();
  QListWidget::mousePressEvent(event);
}

void ChoiceList::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return event->accept();
  QListWidget::mouseReleaseEvent(event);
  if (!std::exchange(pressed_, false)) return;
  if (currentRow() != row_at_press_ || indexAt(event->position().toPoint()).isValid())
    emit Chosen();
}

void ChoiceList::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return event->accept();
  QListWidget::mouseDoubleClickEvent(event);
}

void ChoiceList::keyPressEvent(QKeyEvent* event) {
  const int before = currentRow();
  QListWidget::keyPressEvent(event);
  if (currentRow() != before) emit Chosen();
}

}  // namespace kovra
