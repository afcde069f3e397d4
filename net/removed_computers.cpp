#include "net/removed_computers.h"

#include <QFileInfo>
#include <algorithm>

#include "net/dotted_address.h"
#include "support/error_guard.h"
#include "support/line_file.h"
#include "support/text.h"

namespace kovra {

void RemovedComputers::Load() {
  computers_.clear();
  const QFileInfo file(path_);
  if (!file.exists()) return;
  if (file.size() > kMaxFileBytes) {
    throw Error(QStringLiteral("Файл «%1» слишком велик (%2 байт)").arg(path_).arg(file.size()));
  }
  for (const std::string& line : ReadLineFile(path_)) {
    const std::size_t mark = line.rfind('=');
    if (mark == std::string::npos || computers_.size() >= kCapacity) continue;
    const std::string name = TrimText(line.substr(0, mark));
    if (name.empty() || Find(name) != nullptr) continue;
    computers_.push_back({name, ParseDottedAddress(line.substr(mark + 1))});
  }
}

RemovedComputers::Computer* RemovedComputers::Find(std::string_view name) {
  const std::string key = UpperText(TrimText(std::string(name)));
  const auto found = std::find_if(computers_.begin(), computers_.end(),
                                  [&](const Computer& c) { return UpperText(c.name) == key; });
  return found == computers_.end() ? nullptr : &*found;
}

void RemovedComputers::Remove(const std::string& name, std::optional<quint32> address) {
  const std::string trimmed = TrimText(name);
  if (trimmed.empty()) return;
  if (Computer* known = Find(trimmed)) {
    if (address) known->address = address;
  } else {
    // The oldest removal gives way; a hostile list cannot grow the file.
    if (computers_.size() >= kCapacity) computers_.erase(computers_.begin());
    computers_.push_back({trimmed, address});
  }
  Save();
}

bool RemovedComputers::TakeBack(const std::string& name) {
  Computer* known = Find(name);
  if (known == nullptr) return false;
  computers_.erase(computers_.begin() + (known - computers_.data()));
  Save();
  return true;
}

bool RemovedComputers::Refuses(quint32 address) const {
  return std::any_of(computers_.begin(), computers_.end(),
                     [&](const Computer& c) { return c.address == address; });
}

bool RemovedComputers::Claimed(std::string_view name, quint32 address) {
  Computer* known = Find(name);
  if (known == nullptr) return false;
  if (!known->address) {
    known->address = address;
    try {
      Save();
    } catch (const Error&) {
      // Refused for this run all the same; the file is written at the next change.
    }
  }
  return known->address == address;
}

void RemovedComputers::Save() {
  std::vector<std::string> lines;
  lines.reserve(computers_.size());
  for (const Computer& computer : computers_) {
    lines.push_back(computer.name + '=' +
                    (computer.address ? DottedAddressText(*computer.address) : std::string()));
  }
  WriteLineFile(path_, lines);
}

}  // namespace kovra
