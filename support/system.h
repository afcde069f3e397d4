// System routines: the single-instance guard, the computer name and the
// folder tests that decide whether state files may be written.
#pragma once

#include <QDateTime>
#include <QFileInfo>
#include <QString>
#include <functional>
#include <string>

namespace kovra {

using ShowMessageFn = std::function<void(const QString&)>;

// True when no other copy started from an executable of the same file name
// runs. The guard is held until the process ends, even if it crashes.
bool FirstInstance(bool show, const ShowMessageFn& show_message);
// The same, with the executable's file name and the lock folder given; the
// lock file is named after lock_name, or the executable when it is empty.
// The message always names the executable, never the lock.
bool FirstInstanceNamed(const QString& exe_file_name, const QString& lock_folder, bool show,
                        const ShowMessageFn& show_message, const QString& lock_name = {});

// This computer's network name in Windows-1251, or empty.
std::string ComputerName();

// True when a file can be created in the folder part of path.
bool DriveWritable(const QString& path);

// Where the program keeps its state: its own folder where it may write
// there, else user_dir, the user's own folder for it, made when missing
// (a program unpacked into a folder the user may not write, such as
// "Program Files"). folder ends with a separator.
struct StateFolder {
  QString folder;
  bool moved = false;  // it is user_dir
  bool made = false;   // user_dir was made now: the first start there
};
StateFolder ChooseStateFolder(const QString& program_dir, const QString& user_dir);
// What the user is told of it at the start: where the state went, the
// first time; that nothing is kept, each time nowhere could be written;
// else nothing.
QString StateFolderNotice(const QString& program_dir, const StateFolder& state);
// Removes the empty probe files DriveWritable left in folder when the
// program was killed between making and removing one; the number removed.
int RemoveProbeLeftovers(const QString& folder);
// Removes the plain files of folder (never a link or a folder) that ours
// accepts: only files the program made itself; the number removed.
int RemoveOwnFiles(const QString& folder, const std::function<bool(const QFileInfo&)>& ours);
bool FolderExists(const QString& path);
// Creates each missing folder along path, outermost first; false when any
// creation failed, including for a folder that already existed.
bool CreateFolderPath(const QString& path);
// path itself when no such file exists, else the first free "stem-N.ext".
QString UniqueFileName(const QString& path);

// The clock's text: the system's short date, a space and its long time
// without a time-zone name; the time is left out at exactly midnight.
QString DateTimeText(const QDateTime& moment);
// The system's long time format, without a time-zone name.
QString LongTimeText(const QTime& time);

}  // namespace kovra
