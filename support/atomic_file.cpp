#include "support/atomic_file.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

#include "support/error_guard.h"

namespace kovra {

void ReplaceFile(const QString& path, const std::function<bool(QIODevice&)>& write) {
  // A rename would silently replace a file marked read-only.
  const QFileInfo existing(path);
  if (existing.exists() && !(existing.permissions() & QFileDevice::WriteOwner)) {
    throw Error(QStringLiteral("Cannot create file \"%1\". Access is denied")
                    .arg(QDir::toNativeSeparators(path)));
  }
  QSaveFile file(path);
  errno = 0;
  bool written = file.open(QIODevice::WriteOnly) && write(file);
  // A writer that failed may not have said why; the system knows.
  const int write_errno = errno;
  written = written && file.commit();
  if (!written) {
    QString reason = file.error() != QFileDevice::NoError ? file.errorString() : QString();
    // Qt's "Unknown error", in whatever language its translations speak.
    if ((reason.isEmpty() || reason == QFile().errorString()) && write_errno != 0) {
      reason = QString::fromLocal8Bit(std::strerror(write_errno));
    }
    throw Error(QStringLiteral("Cannot create file \"%1\". %2")
                    .arg(QDir::toNativeSeparators(path), reason));
  }
}

int RemoveInterruptedSaves(const QString& folder,
                           const std::function<bool(const QString& name)>& ours) {
  // QSaveFile's template: the final name with ".XXXXXX" appended.
  static const QRegularExpression kTemporary(QStringLiteral("^(.+)\\.[A-Za-z0-9]{6}$"));
  int removed = 0;
  QDirIterator entries(folder, QDir::Files | QDir::Hidden | QDir::System);
  while (entries.hasNext()) {
    entries.next();
    const QFileInfo entry = entries.fileInfo();
    const QRegularExpressionMatch match = kTemporary.match(entry.fileName());
    if (!match.hasMatch() || entry.isSymLink() || !entry.isFile() || !ours(match.captured(1))) {
      continue;
    }
    if (QFile::remove(entry.filePath())) ++removed;
  }
  return removed;
}

}  // namespace kovra
