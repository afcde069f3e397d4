// The window's controls: their names, captions, docking, sizes and colours,
// built area by area into the window's fields. The window wires them.
#pragma once

#include <QString>

class QAbstractItemModel;

namespace kovra {

class TForm1;

template <typename W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

// history and correspondents are the models of RE_Mess and ListUser.
void BuildWindowLayout(TForm1& form, QAbstractItemModel* history, QAbstractItemModel* correspondents);

}  // namespace kovra
