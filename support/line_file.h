// Plain-text state files of Windows-1251 lines, each ended by CR LF.
#pragma once

#include <QByteArray>
#include <QString>
#include <string>
#include <vector>

namespace kovra {

// The lines of text as the state files hold them: split at CR LF, lone LF
// and lone CR, up to the first zero byte; a last line without an end mark
// counts, an empty text gives no lines. Calls on_line(start, end, mark) for
// each line's bytes [start, end) and the length of the end mark after it
// (2 for CR LF, 1, or 0 for a last line without one); returns where the
// text ends.
template <typename OnLine>
std::size_t ForEachLine(const char* data, std::size_t size, OnLine on_line) {
  std::size_t end = 0;
  while (end < size && data[end] != '\0') ++end;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < end) {
    const char c = data[i];
    if (c != '\r' && c != '\n') {
      ++i;
      continue;
    }
    const std::size_t mark = (c == '\r' && i + 1 < end && data[i + 1] == '\n') ? 2 : 1;
    on_line(start, i, mark);
    i += mark;
    start = i;
  }
  if (start < end) on_line(start, end, std::size_t{0});
  return end;
}

std::vector<std::string> SplitLines(const std::string& bytes);

// Reads a file whole; raises Error when it cannot be read.
QByteArray ReadFileBytes(const QString& path);
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
