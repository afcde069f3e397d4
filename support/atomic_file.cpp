#include "support/atomic_file.h"

#include <QDir>
#include <QFileInfo>
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
    if ((reason.isEmpty() || reason == QStringLiteral("Unknown error")) && write_errno != 0) {
      reason = QString::fromLocal8Bit(std::strerror(write_errno));
    }
    throw Error(QStringLiteral("Cannot create file \"%1\". %2")
                    .arg(QDir::toNativeSeparators(path), reason));
  }
}

}  // namespace kovra
