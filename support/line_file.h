// Plain-text state files of Windows-1251 lines, each ended by CR LF.
#pragma once

#include <QString>
#include <string>
#include <vector>

namespace kovra {

// Splits at CR LF, lone LF and lone CR, up to the first zero byte; a last
// line without an end mark counts, an empty text gives no lines.
std::vector<std::string> SplitLines(const std::string& bytes);

// Reads the lines of a file; raises Error when it cannot be read.
std::vector<std::string> ReadLineFile(const QString& path);

// Each line followed by CR LF.
template <typename Iterator>
std::string JoinLines(Iterator first, Iterator last) {
  std::size_t total = 0;
  for (Iterator it = first; it != last; ++it) total += it->size() + 2;
  std::string bytes;
  bytes.reserve(total);
  for (Iterator it = first; it != last; ++it) {
    bytes += *it;
    bytes += "\r\n";
  }
  return bytes;
}

// Replaces the file atomically, so a failed save leaves the old one whole;
// raises Error when it cannot be written.
void WriteFileBytes(const QString& path, const std::string& bytes);
void WriteLineFile(const QString& path, const std::vector<std::string>& lines);

}  // namespace kovra
