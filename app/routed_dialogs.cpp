#include "app/routed_dialogs.h"

#include <cstdio>

#include "net/dotted_address.h"
#include "support/ansi_codec.h"

namespace kovra {
namespace {

// The program's last words, when no window is left to show them in.
void SayOnStandardError(const QString& text) {
  std::fprintf(stderr, "Kovra: %s\n", text.toLocal8Bit().constData());
}

QString AddressText(quint32 address) { return AnsiToQString(DottedAddressText(address)); }

}  // namespace

void RoutedDialogs::ShowMessage(const QString& text) {
  if (closed_) return SayOnStandardError(text);
  if (!peer_) return user_.ShowMessage(text);
  notify_(AddressText(*peer_), text);
}

void RoutedDialogs::ShowError(const QString& text) {
  if (closed_) return SayOnStandardError(text);
  if (!peer_) return user_.ShowError(text);
  notify_(AddressText(*peer_), text);
}

std::function<void(const QString& text)> RoutedDialogs::ErrorLater() {
  if (closed_) return SayOnStandardError;
  if (!peer_) return Dialogs::ErrorLater();
  return [this, peer = AddressText(*peer_)](const QString& text) { notify_(peer, text); };
}

}  // namespace kovra
