// Where each computer was last heard from: the address that its "Enter",
// "IamToo", "Exit" and "Message" came from, by its name. A name that no name
// service knows is still reached at that address. Kept in a file of its own
// beside the correspondent list, which keeps its format.
#pragma once

#include <QString>
#include <QtGlobal>
#include <cstddef>
#include <list>
#include <optional>
#include <string>
#include <unordered_map>

#include "net/dotted_address.h"

namespace kovra {

class KnownAddresses {
 public:
  // More than the list takes from announcements; the longest unheard is
  // forgotten first.
  static constexpr std::size_t kCapacity = 1024;
  // The longest name a send looks up.
  static constexpr std::size_t kMaxName = 127;
  // A file larger than its lines at full capacity is none of ours.
  static constexpr qint64 kMaxFileBytes = 256 * 1024;

  // Loopback addresses are remembered only for a copy that lives on loopback.
  void SetLoopbackIsPeer(bool loopback_is_peer) { loopback_is_peer_ = loopback_is_peer; }

  // Remembers name at address (host order); true when that changed anything.
  // Only the address of one computer is remembered, never a broadcast,
  // multicast or otherwise special one, nor a name that is such an address.
  bool Learn(const std::string& name, quint32 address);
  std::optional<quint32> Find(const std::string& name) const;
  // The name last heard from address.
  std::optional<std::string> NameAt(quint32 address) const;
  std::size_t Count() const { return by_name_.size(); }

  // Lines "NAME=a.b.c.d", newest first. A missing file is an empty book;
  // lines that are not of that form, or that Learn refuses, are passed
  // over. Load raises Error for a file over kMaxFileBytes, Save when it fails.
  void Load(const QString& path);
  void Save(const QString& path);
  // Whether something was learned since the last load or save.
  bool Changed() const { return changed_; }

 private:
  struct Entry {
    std::string name;  // as it was announced
    quint32 address;
  };
  std::list<Entry> newest_first_;
  std::unordered_map<std::string, std::list<Entry>::iterator> by_name_;  // upper-cased names
  bool changed_ = false;
  bool loopback_is_peer_ = false;
};

}  // namespace kovra
