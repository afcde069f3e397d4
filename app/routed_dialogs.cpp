#include "app/routed_dialogs.h"

namespace kovra {

void RoutedDialogs::ShowMessage(const QString& text) {
  if (peer_.isEmpty()) return user_.ShowMessage(text);
  notify_(peer_, text);
}

void RoutedDialogs::ShowError(const QString& text) {
  if (peer_.isEmpty()) return user_.ShowError(text);
  notify_(peer_, text);
}

}  // namespace kovra
