#include "net/known_addresses.h"

#include <QFileInfo>
#include <algorithm>

#include "net/local_networks.h"
#include "support/error_guard.h"
#include "support/line_file.h"
#include "support/text.h"

namespace kovra {

bool KnownAddresses::Learn(const std::string& name, quint32 address) {
  const std::string trimmed = TrimText(name);
  // A name no send could use, or one that would break the file's lines.
  const bool usable = !trimmed.empty() && trimmed.size() <= kMaxName &&
                      std::none_of(trimmed.begin(), trimmed.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < ' '; });
  if (!usable || !IsOneComputer(address, loopback_is_peer_) ||
      !NamesOneComputer(trimmed, loopback_is_peer_)) {
    return false;
  }
  const std::string key = UpperText(trimmed);
  if (const auto found = by_name_.find(key); found != by_name_.end()) {
    const bool same = found->second->address == address && found->second->name == trimmed;
    newest_first_.splice(newest_first_.begin(), newest_first_, found->second);
    if (same) return false;
    found->second->address = address;
    found->second->name = trimmed;
  } else {
    newest_first_.push_front({trimmed, address});
    by_name_.emplace(key, newest_first_.begin());
    if (newest_first_.size() > kCapacity) {
      by_name_.erase(UpperText(newest_first_.back().name));
      newest_first_.pop_back();
    }
  }
  changed_ = true;
  return true;
}

std::optional<quint32> KnownAddresses::Find(const std::string& name) const {
  const auto found = by_name_.find(UpperText(TrimText(name)));
  if (found == by_name_.end()) return std::nullopt;
  return found->second->address;
}

std::optional<std::string> KnownAddresses::NameAt(quint32 address) const {
  for (const Entry& entry : newest_first_) {
    if (entry.address == address) return entry.name;
  }
  return std::nullopt;
}

void KnownAddresses::Load(const QString& path) {
  // What was heard before the file is read is newer than the file.
  const std::list<Entry> heard = std::move(newest_first_);
  newest_first_.clear();
  by_name_.clear();
  const auto learn_heard = [&] {
    for (auto entry = heard.rbegin(); entry != heard.rend(); ++entry) {
      Learn(entry->name, entry->address);
    }
    changed_ = !heard.empty();
  };
  const QFileInfo file(path);
  if (file.exists() && file.size() > kMaxFileBytes) {
    learn_heard();
    throw Error(QStringLiteral("Файл «%1» слишком велик (%2 байт)").arg(path).arg(file.size()));
  }
  if (file.exists()) {
    const std::vector<std::string> lines = ReadLineFile(path);
    // Oldest first, so that each line learned moves to the front.
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
      const std::size_t mark = line->rfind('=');
      if (mark == std::string::npos) continue;
      if (const auto address = ParseDottedAddress(line->substr(mark + 1))) {
        Learn(line->substr(0, mark), *address);
      }
    }
  }
  learn_heard();
}

void KnownAddresses::Save(const QString& path) {
  std::vector<std::string> lines;
  lines.reserve(newest_first_.size());
  for (const Entry& entry : newest_first_) {
    lines.push_back(entry.name + '=' + DottedAddressText(entry.address));
  }
  WriteLineFile(path, lines);
  changed_ = false;
}

}  // namespace kovra
