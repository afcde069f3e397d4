#include "app/routed_dialogs.h"

#include <cstdio>

namespace kovra {
namespace {

// The program's last words, when no window is left to show them in.
void SayOnStandardError(const QString& text) {
  std::fprintf(stderr, "Kovra: %s\n", text.toLocal8Bit().constData());
}

}  // namespace

void RoutedDialogs::ShowMessage(const QString& text) {
  if (closed_) return SayOnStandardError(text);
  if (peer_.isEmpty()) return user_.ShowMessage(text);
  notify_(peer_, text);
}

void RoutedDialogs::ShowError(const QString& text) {
  if (closed_) return SayOnStandardError(text);
  if (peer_.isEmpty()) return user_.ShowError(text);
  notify_(peer_, text);
}

std::function<void(const QString& text)> RoutedDialogs::ErrorLater() {
  if (closed_) return SayOnStandardError;
  if (peer_.isEmpty()) return Dialogs::ErrorLater();
  return [this, peer = peer_](const QString& text) { notify_(peer, text); };
}

}  // namespace kovra
