// Everything outside the process that the main window reaches: its folder,
// its name on the network, its UDP endpoint and the user's dialogs. The
// program builds the real one; tests build one of their own.
#pragma once

#include <QHostAddress>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/dialogs.h"

namespace kovra {

constexpr quint16 kKovraPort = 571;

struct Environment {
  QString program_dir;        // with its trailing separator
  std::string computer_name;  // Windows-1251
  quint16 udp_port = kKovraPort;
  QHostAddress bind_address = QHostAddress(QHostAddress::AnyIPv4);
  Dialogs* dialogs = nullptr;  // not owned; outlives the window
  // Turns a computer name into an IPv4 address (host order), on a worker
  // thread; empty for the system's resolver.
  std::function<std::optional<quint32>(const QString& name)> resolve_host;
  // Where "Найти всех в сети" sends "Enter": dotted addresses; empty for
  // the broadcast address of every IPv4 network this computer is on.
  std::function<std::vector<std::string>()> broadcast_addresses;
  // Whether this copy speaks the delivery extension with copies that
  // announce it; off, it behaves as the oldest copies do.
  bool delivery_extension = true;
  // Told in the notice line once the window is up: where its state is
  // kept, when not beside the program.
  QString start_notice;
};

}  // namespace kovra
