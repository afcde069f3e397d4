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

std::function<void(const QString& text)> RoutedDialogs::ErrorLater() {
  if (peer_.isEmpty()) return Dialogs::ErrorLater();
  return [this, peer = peer_](const QString& text) { notify_(peer, text); };
}

}  // namespace kovra
