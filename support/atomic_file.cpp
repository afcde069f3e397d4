#include "support/atomic_file.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

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
  const bool written = file.open(QIODevice::WriteOnly) && write(file) && file.commit();
  if (!written) {
    throw Error(QStringLiteral("Cannot create file \"%1\". %2")
                    .arg(QDir::toNativeSeparators(path), file.errorString()));
  }
}

}  // namespace kovra
