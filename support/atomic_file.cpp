#include "support/atomic_file.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "support/error_guard.h"
#include "support/system.h"

namespace kovra {
namespace {

const QString kSaveMark = QStringLiteral(".kovra-save-");

// Puts from in the place of to in one step: a reader sees the old file or
// the new one, never a part. Says why not, or nothing.
QString RenameOver(const QString& from, const QString& to) {
#ifdef Q_OS_WIN
  // Windows refuses while any program reads the old file (a viewer, a virus
  // scanner, a copy of Kovra looking at it), which seldom lasts long. A
  // read-only file, which refuses for good, never comes here.
  constexpr int kAttempts = 10;
  constexpr DWORD kPauseMs = 25;
  const QString source_path = QDir::toNativeSeparators(from);
  const QString target_path = QDir::toNativeSeparators(to);
  const auto source = reinterpret_cast<LPCWSTR>(source_path.utf16());
  const auto target = reinterpret_cast<LPCWSTR>(target_path.utf16());
  DWORD error = ERROR_SUCCESS;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    if (attempt > 0) Sleep(kPauseMs);
    if (MoveFileExW(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return {};
    }
    error = GetLastError();
    if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) break;
  }
  return qt_error_string(static_cast<int>(error));
#else
  if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0) {
    return {};
  }
  return QString::fromLocal8Bit(std::strerror(errno));
#endif
}

// On the disk before the rename, so that a power cut cannot leave the new
// name pointing at data never written.
bool SyncToDisk(QFile& file) {
  if (!file.flush()) return false;
#ifdef Q_OS_WIN
  return FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()))) != 0;
#else
  return ::fsync(file.handle()) == 0;
#endif
}

}  // namespace

void ReplaceFileAtomically(const QString& path, const std::function<bool(QIODevice&)>& write) {
  // A rename would silently replace a file marked read-only.
  const QFileInfo existing(path);
  if (existing.exists() && !(existing.permissions() & QFileDevice::WriteOwner)) {
    throw Error(QStringLiteral("Cannot create file \"%1\". Access is denied")
                    .arg(QDir::toNativeSeparators(path)));
  }
  QString temporary;  // the new file's name, once it is written whole and closed
  QString reason;
  int write_errno = 0;  // a writer that failed may not have said why; the system knows
  {
    QTemporaryFile file(path + kSaveMark + QStringLiteral("XXXXXX"));
    errno = 0;
    bool written = file.open() && write(file);
    write_errno = errno;
    if (written && !SyncToDisk(file)) {
      written = false;
      write_errno = errno;
    }
    if (written) {
      // The replaced file keeps who may read it; a new one gets the usual rights.
      file.setPermissions(existing.exists() ? existing.permissions()
                                            : QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ReadGroup | QFileDevice::ReadOther);
      // Named and kept, and closed when file goes: the temporary file holds
      // its handle until then, and Windows renames no open file.
      temporary = file.fileName();
      file.setAutoRemove(false);
    } else if (file.error() != QFileDevice::NoError) {
      reason = file.errorString();
    }
  }
  if (!temporary.isEmpty()) {
    reason = RenameOver(temporary, path);
    if (reason.isEmpty()) return;
    QFile::remove(temporary);
  }
  // Qt's "Unknown error", in whatever language its translations speak.
  if ((reason.isEmpty() || reason == QFile().errorString()) && write_errno != 0) {
    reason = QString::fromLocal8Bit(std::strerror(write_errno));
  }
  throw Error(
      QStringLiteral("Cannot create file \"%1\". %2").arg(QDir::toNativeSeparators(path), reason));
}

bool IsInterruptedSave(const QString& name) {
  static const QRegularExpression kTemporary(QStringLiteral("^.+") +
                                             QRegularExpression::escape(kSaveMark) +
                                             QStringLiteral("[A-Za-z0-9]{6}$"));
  return kTemporary.match(name).hasMatch();
}

int RemoveInterruptedSaves(const QString& folder) {
  return RemoveOwnFiles(folder,
                        [](const QFileInfo& entry) { return IsInterruptedSave(entry.fileName()); });
}

}  // namespace kovra
