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

// Replaces the file atomically, so a failed save leaves the old one whole;
// raises Error when it cannot be written.
void WriteLineFile(const QString& path, const std::vector<std::string>& lines);

}  // namespace kovra
