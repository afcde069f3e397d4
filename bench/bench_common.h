// What the benchmarks share: a scripted environment, raw loopback sockets
// and a clock.
#pragma once

#include <QHostAddress>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/free_port.h"
#include "support/dialogs.h"
#include "support/environment.h"

namespace kovra::bench {

class SilentDialogs : public Dialogs {
 public:
  void ShowMessage(const QString& text) override;
  void ShowError(const QString& text) override;
  std::optional<QString> InputText(const QString&, const QString&, const QString&) override {
    return std::nullopt;
  }
  std::optional<QColor> ChooseColor(const QColor&) override { return std::nullopt; }
  std::optional<FontChoice> ChooseFont(const FontChoice&) override { return std::nullopt; }
  QString OpenPictureFile(const QString&) override { return {}; }
  QString SavePictureFile(const QString&) override { return {}; }
  QString SavePngFile(const QString&) override { return {}; }
  bool Confirm(const QString&) override { return true; }
  std::optional<QSize> AskSize(const QString&, const QString&, QSize, const SizeCheck&) override {
    return std::nullopt;
  }
};

// A window environment in a temporary folder on 127.0.0.1 and a free port.
struct BenchEnvironment {
  BenchEnvironment();
  QTemporaryDir folder;
  SilentDialogs dialogs;
  Environment env;
};

// A non-blocking raw UDP socket bound to address:port (port 0: any).
int RawSocket(const char* address, quint16 port);
void RawSend(int socket, const std::string& bytes, const char* address, quint16 port);

double SecondsSince(std::chrono::steady_clock::time_point start);
// Runs the event loop until done, or for seconds at most; whether done.
bool WaitUntil(const std::function<bool()>& done, double seconds);

// Sends the datagrams to a bare socket, rounds times, and returns the seconds
// a plain recv loop took to take them all: the baseline for receiving.
double BareReceiveSeconds(int sender, const std::vector<std::string>& datagrams, int rounds);

}  // namespace kovra::bench
