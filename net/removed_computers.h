// Computers the user removed from the correspondent list: nothing is sent
// to them nor taken from them, across restarts, until the user takes them
// back. Copies find each other by themselves, so taking a line off the list
// alone would not hold. Kept in a file of its own; the list keeps its format.
#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kovra {

class RemovedComputers {
 public:
  struct Computer {
    std::string name;                // Windows-1251, as the list had it
    std::optional<quint32> address;  // none while it was never heard
  };
  // More than anyone removes by hand; a file larger than that is none of ours.
  static constexpr std::size_t kCapacity = 256;
  static constexpr qint64 kMaxFileBytes = 64 * 1024;

  explicit RemovedComputers(QString path) : path_(std::move(path)) {}

  // Lines "NAME=a.b.c.d", or "NAME=" for a computer never heard. A missing
  // file removes nobody; Load raises Error for a file that cannot be read.
  void Load();
  const std::vector<Computer>& Computers() const { return computers_; }

  // Each saves the file, and raises Error when that fails (the change holds
  // for this run all the same).
  void Remove(const std::string& name, std::optional<quint32> address);
  // The computer of that name is no longer removed; false when it was not.
  bool TakeBack(const std::string& name);

  bool Refuses(quint32 address) const;
  // A computer removed before it was ever heard announces its name from
  // address: from now on that address is refused; true when it is so.
  bool Claimed(std::string_view name, quint32 address);

 private:
  void Save();
  Computer* Find(std::string_view name);

  QString path_;
  std::vector<Computer> computers_;
};

}  // namespace kovra
