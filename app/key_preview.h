// Key preview: the window sees every key pressed in any of its controls
// before the control does. The menu bar, while it has the keyboard, and any
// open menu keep their keys, so that menus work from the keyboard.
#pragma once

#include <QObject>
#include <functional>

class QMainWindow;
class QWidget;

namespace kovra {

class KeyPreview : public QObject {
 public:
  // on_key gets the key and the modifiers held, and sets the key to 0 to
  // keep it from the control.
  KeyPreview(QMainWindow& window, std::function<void(int& key, Qt::KeyboardModifiers keys)> on_key);
  ~KeyPreview() override;

  // The control the key being previewed was pressed in.
  const QWidget* Target() const { return target_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QMainWindow& window_;
  std::function<void(int& key, Qt::KeyboardModifiers keys)> on_key_;
  const QWidget* target_ = nullptr;
};

}  // namespace kovra
