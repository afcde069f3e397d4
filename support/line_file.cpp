#include "support/line_file.h"

#include <QDir>
#include <QFile>

#include "support/atomic_file.h"
#include "support/error_guard.h"

namespace kovra {

std::vector<std::string> SplitLines(const std::string& bytes) {
  std::vector<std::string> lines;
  ForEachLine(bytes.data(), bytes.size(), [&](std::size_t start, std::size_t end, std::size_t) {
    lines.push_back(bytes.substr(start, end - start));
  });
  return lines;
}

QByteArray ReadFileBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    throw Error(QStringLiteral("Cannot open file \"%1\". %2")
                    .arg(QDir::toNativeSeparators(path), file.errorString()));
  }
  return file.readAll();
}

std::vector<std::string> ReadLineFile(const QString& path) {
  const QByteArray bytes = ReadFileBytes(path);
  return SplitLines(std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

void WriteLineFile(const QString& path, const std::vector<std::string>& lines) {
  WriteFileBytes(path, JoinLines(lines.begin(), lines.end()));
}

void WriteFileBytes(const QString& path, const std::string& bytes) {
  ReplaceFileAtomically(path, [&](QIODevice& file) {
    return file.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
           static_cast<qint64>(bytes.size());
  });
}

}  // namespace kovra
