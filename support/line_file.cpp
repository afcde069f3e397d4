#include "support/line_file.h"

#include <QDir>
#include <QFile>

#include "support/atomic_file.h"
#include "support/error_guard.h"

namespace kovra {

std::vector<std::string> SplitLines(const std::string& bytes) {
  std::vector<std::string> lines;
  const std::size_t end = std::min(bytes.find('\0'), bytes.size());
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < end) {
    const char c = bytes[i];
    if (c != '\r' && c != '\n') {
      ++i;
      continue;
    }
    lines.push_back(bytes.substr(start, i - start));
    i += (c == '\r' && i + 1 < end && bytes[i + 1] == '\n') ? 2 : 1;
    start = i;
  }
  if (start < end) lines.push_back(bytes.substr(start, end - start));
  return lines;
}

std::vector<std::string> ReadLineFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    throw Error(QStringLiteral("Cannot open file \"%1\". %2")
                    .arg(QDir::toNativeSeparators(path), file.errorString()));
  }
  const QByteArray bytes = file.readAll();
  return SplitLines(std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

void WriteLineFile(const QString& path, const std::vector<std::string>& lines) {
  WriteFileBytes(path, JoinLines(lines.begin(), lines.end()));
}

void WriteFileBytes(const QString& path, const std::string& bytes) {
  ReplaceFile(path, [&](QIODevice& file) {
    return file.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
           static_cast<qint64>(bytes.size());
  });
}

}  // namespace kovra
