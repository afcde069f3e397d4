#include "app/key_preview.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace kovra {

KeyPreview::KeyPreview(QMainWindow& window,
                       std::function<void(int& key, Qt::KeyboardModifiers keys)> on_key)
    : window_(window), on_key_(std::move(on_key)) {
  qApp->installEventFilter(this);
}

KeyPreview::~KeyPreview() { qApp->removeEventFilter(this); }

bool KeyPreview::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
  if (static_cast<QWidget*>(watched)->window() != &window_) return false;
  const QMenuBar* bar = window_.menuBar();
  if (bar->hasFocus() || bar->activeAction() != nullptr ||
      qobject_cast<QMenu*>(watched) != nullptr || QApplication::activePopupWidget() != nullptr) {
    return false;
  }
  const auto* pressed = static_cast<QKeyEvent*>(event);
  int key = pressed->key();
  target_ = static_cast<QWidget*>(watched);
  on_key_(key, pressed->modifiers());
  target_ = nullptr;
  return key == 0;
}

}  // namespace kovra
