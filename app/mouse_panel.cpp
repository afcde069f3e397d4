#include "app/mouse_panel.h"

#include <QMouseEvent>

namespace kovra {

void MousePanel::mousePressEvent(QMouseEvent* event) { emit MousePressed(event->button()); }

}  // namespace kovra
