#include "support/system.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSysInfo>
#include <cerrno>
#include <cstring>

#include "support/ansi_codec.h"
#include "support/text.h"

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace kovra {
namespace {

bool IsSeparator(QChar c) {
#ifdef Q_OS_WIN
  return c == u'\\' || c == u'/';
#else
  return c == u'/';
#endif
}

const QString kProbeName = QStringLiteral("~!789.~~~");

QString AlreadyRunningMessage(const QString& exe_file_name) {
  return QStringLiteral("Одна копия приложения : \"") + exe_file_name +
         QStringLiteral("\" - уже работает");
}

QString LockFailedMessage(const QString& lock_path, const QString& reason) {
  return QStringLiteral("Не удалось занять файл блокировки «%1»: %2")
      .arg(QDir::toNativeSeparators(lock_path), reason);
}

}  // namespace

bool FirstInstanceNamed(const QString& exe_file_name, const QString& lock_folder, bool show,
                        const ShowMessageFn& show_message, const QString& lock_name) {
  auto tell = [&](const QString& text) {
    if (show && show_message) show_message(text);
  };
  const QString lock_path =
      QDir(lock_folder)
          .filePath((lock_name.isEmpty() ? exe_file_name : lock_name) + QStringLiteral(".lock"));
#ifdef Q_OS_WIN
  // Opened unshared: a second open fails until this process ends, crash or
  // not, when the system closes the handle (and deletes the file).
  const HANDLE file = CreateFileW(reinterpret_cast<LPCWSTR>(lock_path.utf16()),
                                  GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_SHARING_VIOLATION) {
      tell(AlreadyRunningMessage(exe_file_name));
    } else {
      tell(LockFailedMessage(lock_path, qt_error_string(static_cast<int>(error))));
    }
    return false;
  }
  return true;  // the handle stays open for the life of the process
#else
  // An exclusive flock: the system drops it when the process ends, crash or not.
  const int fd = ::open(QFile::encodeName(lock_path).constData(),
                        O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    // Not a running copy: say what is in the way, and where.
    tell(LockFailedMessage(lock_path, QString::fromLocal8Bit(std::strerror(errno))));
    return false;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    tell(AlreadyRunningMessage(exe_file_name));
    return false;
  }
  return true;  // fd stays open for the life of the process
#endif
}

bool FirstInstance(bool show, const ShowMessageFn& show_message) {
  const QString exe_name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
  // The user's runtime folder, else the temp folder (asked directly: Qt's own
  // lookup warns and makes a folder of its own when the variable is unset).
  QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
  QString lock_name = exe_name;
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
    folder = QDir::tempPath();
#ifndef Q_OS_WIN
    // The temp folder is everyone's: the lock is this user's own.
    lock_name += QStringLiteral("-%1").arg(::getuid());
#endif
  }
  return FirstInstanceNamed(exe_name, folder, show, show_message, lock_name);
}

std::string ComputerName() {
#ifdef Q_OS_WIN
  // The wide call: the ANSI one gives "?" for each letter outside the
  // system's code page, and the wire takes Windows-1251 whatever that is.
  wchar_t buffer[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(buffer, &size) || size == 0) return {};
  return QStringToAnsi(QString::fromWCharArray(buffer, static_cast<qsizetype>(size)));
#else
  const QString host = QSysInfo::machineHostName();
  return QStringToAnsi(host.section(u'.', 0, 0));
#endif
}

bool DriveWritable(const QString& path) {
  const QString trimmed = TrimSpaces(path);
  if (trimmed.isEmpty()) return false;
  // The probe goes into the folder itself: a drive root is not writable for an
  // ordinary user, so probing there would forbid every save.
  qsizetype cut = trimmed.size();
  while (cut > 0 && !IsSeparator(trimmed[cut - 1])) --cut;
  const QString probe = UniqueFileName(trimmed.left(cut) + kProbeName);
  QFile file(probe);
  const bool created = file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
  file.close();
  if (created) file.remove();
  return created;
}

StateFolder ChooseStateFolder(const QString& program_dir, const QString& user_dir) {
  if (DriveWritable(program_dir) || TrimSpaces(user_dir).isEmpty()) return {program_dir};
  const QString folder = QDir(user_dir).absolutePath() + u'/';
  const bool existed = FolderExists(folder);
  if (!existed && !QDir().mkpath(folder)) return {program_dir};
  if (!DriveWritable(folder)) return {program_dir};
  return {folder, true, !existed};
}

QString StateFolderNotice(const QString& program_dir, const StateFolder& state) {
  const QString own = QDir::toNativeSeparators(program_dir);
  if (state.moved) {
    if (!state.made) return {};
    return QStringLiteral(
               "В папку программы «%1» писать нельзя: доска, сообщения, список и "
               "настройки хранятся в «%2»")
        .arg(own, QDir::toNativeSeparators(state.folder));
  }
  if (DriveWritable(state.folder)) return {};
  return QStringLiteral(
             "В папку программы «%1» писать нельзя: доска, сообщения, список и "
             "положение окна не сохранятся. Перенесите Kovra в папку, куда вам можно "
             "записывать, например в «Документы»")
      .arg(own);
}

int RemoveOwnFiles(const QString& folder, const std::function<bool(const QFileInfo&)>& ours) {
  int removed = 0;
  QDirIterator entries(folder, QDir::Files | QDir::Hidden | QDir::System);
  while (entries.hasNext()) {
    entries.next();
    const QFileInfo entry = entries.fileInfo();
    if (entry.isSymLink() || !entry.isFile() || !ours(entry)) continue;
    if (QFile::remove(entry.filePath())) ++removed;
  }
  return removed;
}

int RemoveProbeLeftovers(const QString& folder) {
  // The probe's name as UniqueFileName numbers it; a probe is always empty.
  static const QRegularExpression kProbe(QStringLiteral("^~!789(-[1-9][0-9]*)?\\.~~~$"));
  return RemoveOwnFiles(folder, [](const QFileInfo& entry) {
    return entry.size() == 0 && kProbe.match(entry.fileName()).hasMatch();
  });
}

bool FolderExists(const QString& path) {
  const QString trimmed = TrimSpaces(path);
  return !trimmed.isEmpty() && QFileInfo(trimmed).isDir();
}

bool CreateFolderPath(const QString& path) {
  bool result = true;
  if (path.size() <= 3) return result;
  QString prefix;
  bool first = true;
  qsizetype start = 0;
  for (qsizetype i = 0; i <= path.size(); ++i) {
    if (i < path.size() && !IsSeparator(path[i])) continue;
    const QString component = path.mid(start, i - start);
    start = i + 1;
    if (first) {
      // The first component is a drive ("C:") or, on Unix, the empty root.
      prefix = component;
      first = false;
      continue;
    }
    if (component.isEmpty()) continue;
    prefix += QDir::separator() + component;
    if (prefix.size() > 3 && !QDir().mkdir(prefix)) result = false;
  }
  return result;
}

QString UniqueFileName(const QString& path) {
  if (!QFileInfo::exists(path)) return path;
  qsizetype name_start = path.size();
  while (name_start > 0 && !IsSeparator(path[name_start - 1])) --name_start;
  const QString folder = path.left(name_start);
  const QString name = path.mid(name_start);
  const qsizetype dot = name.lastIndexOf(u'.');
  const QString stem = dot < 0 ? name : name.left(dot);
  const QString extension = dot < 0 ? QString() : name.mid(dot);
  for (int n = 1; n < 999999; ++n) {
    const QString candidate = folder + stem + u'-' + QString::number(n) + extension;
    if (!QFileInfo::exists(candidate)) return candidate;
  }
  return path;
}

namespace {

// The interface is Russian, and so are its dates and times, whatever the
// system's language.
const QLocale& InterfaceLocale() {
  static const QLocale russian(QLocale::Russian, QLocale::Russia);
  return russian;
}

}  // namespace

QString LongTimeText(const QTime& time) {
  const QLocale& locale = InterfaceLocale();
  // Drop the time-zone field ("t", "tt"...) and the spaces around it.
  static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b\\s*"));
  const QString format =
      locale.timeFormat(QLocale::LongFormat).replace(zone, QStringLiteral(" ")).trimmed();
  return locale.toString(time, format);
}

QString DateTimeText(const QDateTime& moment) {
  const QString date = InterfaceLocale().toString(moment.date(), QLocale::ShortFormat);
  if (moment.time() == QTime(0, 0)) return date;
  return date + u' ' + LongTimeText(moment.time());
}

}  // namespace kovra
