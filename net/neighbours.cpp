#include "net/neighbours.h"

#include <QElapsedTimer>
#include <QFile>
#include <charconv>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <winsock2.h>
#include <iphlpapi.h>
#endif

#include "net/dotted_address.h"

namespace kovra {
namespace {

// Above any IPv4 address: a key that is a card's, not an address.
constexpr quint64 kCardMark = quint64{1} << 48;
constexpr qint64 kReadEveryMs = 1000;
// An address the table did not know may be in it now: a host greeted is
// looked up there by the system before it can answer.
constexpr qint64 kReadAgainMs = 20;
// Flags of a complete entry in /proc/net/arp.
constexpr unsigned kComplete = 0x2;

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  while (!line.empty()) {
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos) break;
    line.remove_prefix(start);
    const std::size_t end = std::min(line.find_first_of(" \t"), line.size());
    fields.push_back(line.substr(0, end));
    line.remove_prefix(end);
  }
  return fields;
}

std::optional<quint64> ParseCard(std::string_view text) {
  // "aa:bb:cc:dd:ee:ff"
  if (text.size() != 17) return std::nullopt;
  quint64 card = 0;
  for (int i = 0; i < 6; ++i) {
    unsigned byte = 0;
    const char* first = text.data() + i * 3;
    const auto [after, error] = std::from_chars(first, first + 2, byte, 16);
    if (error != std::errc() || after != first + 2 || (i < 5 && text[i * 3 + 2] != ':')) {
      return std::nullopt;
    }
    card = card << 8 | byte;
  }
  return card;
}

std::map<quint32, quint64> ReadTable() {
#ifdef _WIN32
  ULONG size = 0;
  if (GetIpNetTable(nullptr, &size, FALSE) != ERROR_INSUFFICIENT_BUFFER || size == 0) return {};
  std::vector<unsigned char> buffer(size);
  auto* table = reinterpret_cast<MIB_IPNETTABLE*>(buffer.data());
  if (GetIpNetTable(table, &size, FALSE) != NO_ERROR) return {};
  std::map<quint32, quint64> cards;
  for (DWORD i = 0; i < table->dwNumEntries; ++i) {
    const MIB_IPNETROW& row = table->table[i];
    if (row.dwPhysAddrLen != 6 || row.dwType == MIB_IPNET_TYPE_INVALID) continue;
    quint64 card = 0;
    for (int b = 0; b < 6; ++b) card = card << 8 | row.bPhysAddr[b];
    cards[ntohl(row.dwAddr)] = card;
  }
  return cards;
#else
  QFile file(QStringLiteral("/proc/net/arp"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  // Bounded: a table of thousands of entries is a few hundred kilobytes.
  const QByteArray text = file.read(1 << 20);
  return ParseNeighbourTable(std::string_view(text.constData(), std::size_t(text.size())));
#endif
}

}  // namespace

std::map<quint32, quint64> ParseNeighbourTable(std::string_view text) {
  // "IP address  HW type  Flags  HW address  Mask  Device", a line each.
  std::map<quint32, quint64> cards;
  bool heading = true;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (std::exchange(heading, false)) continue;
    const std::vector<std::string_view> fields = Fields(line);
    if (fields.size() < 4) continue;
    unsigned flags = 0;
    const std::string_view flag_text =
        fields[2].substr(0, 2) == "0x" ? fields[2].substr(2) : fields[2];
    const auto [after, error] =
        std::from_chars(flag_text.data(), flag_text.data() + flag_text.size(), flags, 16);
    const auto address = ParseDottedAddress(fields[0]);
    const auto card = ParseCard(fields[3]);
    if (error != std::errc() || (flags & kComplete) == 0 || !address || !card || *card == 0) {
      continue;
    }
    cards[*address] = *card;
  }
  return cards;
}

quint64 HostKey(quint32 address) {
  static std::mutex mutex;
  static std::map<quint32, quint64> table;
  static QElapsedTimer read;
  std::lock_guard<std::mutex> lock(mutex);
  auto found = table.find(address);
  if (!read.isValid() || read.hasExpired(kReadEveryMs) ||
      (found == table.end() && read.hasExpired(kReadAgainMs))) {
    table = ReadTable();
    read.start();
    found = table.find(address);
  }
  return found != table.end() ? kCardMark | found->second : address;
}

}  // namespace kovra
