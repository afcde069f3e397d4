#include "support/system.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "support/atomic_file.h"

namespace kovra {
namespace {

QStringList FolderEntries(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

void Touch(const QString& path) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("keep");
}

// A save killed halfway, as by kill -9: the old file stays whole, and the
// new one is left beside it under its temporary name.
void LeaveAKilledSave(const QString& state) {
#ifdef _WIN32
  // No fork here: what such a save leaves, as it leaves it.
  QFile half(state + QStringLiteral(".kovra-save-Ab12Cd"));
  ASSERT_TRUE(half.open(QIODevice::WriteOnly));
  half.write("half of the new");
#else
  const pid_t child = fork();
  if (child == 0) {
    ReplaceFileAtomically(state, [](QIODevice& file) {
      // Asking its name gives the nameless file one, as a file system
      // that keeps no nameless files does from the start.
      static_cast<void>(qobject_cast<QFile*>(&file)->fileName());
      file.write("half of the new");
      _exit(0);
      return true;
    });
    _exit(1);
  }
  ASSERT_GT(child, 0);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "killed in the middle of the write";
#endif
}

TEST(InstanceGuard, SecondCopyIsRefusedWithTheMessage) {
  QTemporaryDir locks;
  QStringList shown;
  auto show = [&](const QString& text) { shown.append(text); };

  EXPECT_TRUE(FirstInstanceNamed("board.exe", locks.path(), true, show));
  EXPECT_TRUE(shown.isEmpty());
  EXPECT_FALSE(FirstInstanceNamed("board.exe", locks.path(), true, show));
  ASSERT_EQ(shown.size(), 1);
  EXPECT_EQ(shown[0], QStringLiteral("Одна копия приложения : \"board.exe\" - уже работает"));
  EXPECT_FALSE(FirstInstanceNamed("board.exe", locks.path(), false, show));
  EXPECT_EQ(shown.size(), 1) << "no message when not asked for";
  EXPECT_TRUE(FirstInstanceNamed("other.exe", locks.path(), true, show));

  // In a folder everyone shares, the lock bears the user's number; the
  // message still names the program.
  EXPECT_TRUE(FirstInstanceNamed("kovra", locks.path(), true, show, "kovra-1000"));
  EXPECT_FALSE(FirstInstanceNamed("kovra", locks.path(), true, show, "kovra-1000"));
  EXPECT_EQ(shown.last(), QStringLiteral("Одна копия приложения : \"kovra\" - уже работает"));
  EXPECT_TRUE(FirstInstanceNamed("kovra", locks.path(), true, show, "kovra-1001"))
      << "another user's copy";
}

TEST(InstanceGuard, ALockThatCannotBeTakenSaysWhyAndWhere) {
  QStringList shown;
  auto show = [&](const QString& text) { shown.append(text); };
  EXPECT_FALSE(FirstInstanceNamed("board.exe", "/nonexistent/folder", true, show));
  QTemporaryDir locks;
  ASSERT_TRUE(QDir(locks.path()).mkdir(QStringLiteral("board.exe.lock")));
  EXPECT_FALSE(FirstInstanceNamed("board.exe", locks.path(), true, show));
  ASSERT_EQ(shown.size(), 2);
  const QString missing =
      QDir::toNativeSeparators(QStringLiteral("/nonexistent/folder/board.exe.lock"));
  EXPECT_TRUE(
      shown[0].startsWith(QStringLiteral("Не удалось занять файл блокировки «%1»: ").arg(missing)))
      << shown[0].toStdString();
  EXPECT_TRUE(shown[1].contains(QStringLiteral("board.exe.lock»: "))) << shown[1].toStdString();
#ifndef _WIN32  // the system's own words
  EXPECT_TRUE(shown[0].endsWith(QStringLiteral("»: No such file or directory")));
  EXPECT_TRUE(shown[1].endsWith(QStringLiteral("»: Is a directory"))) << shown[1].toStdString();
#endif
}

#ifndef _WIN32  // a second process, forked
TEST(InstanceGuard, CrashedCopyNeverBlocksTheNextStart) {
  QTemporaryDir locks;
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const bool first = FirstInstanceNamed("crashy", locks.path(), false, {});
    const char answer = first ? '1' : '0';
    (void)!write(ready[1], &answer, 1);
    pause();  // held until killed
    _exit(0);
  }
  char answer = 0;
  ASSERT_EQ(read(ready[0], &answer, 1), 1);
  EXPECT_EQ(answer, '1');
  EXPECT_FALSE(FirstInstanceNamed("crashy", locks.path(), false, {}));
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_TRUE(FirstInstanceNamed("crashy", locks.path(), false, {}));
  close(ready[0]);
  close(ready[1]);
}
#endif

TEST(FolderRoutines, DriveProbeLeavesNothingAndNeverOverwrites) {
  QTemporaryDir dir;
  const QString folder = dir.path() + u'/';
  EXPECT_FALSE(DriveWritable(QString()));
  EXPECT_FALSE(DriveWritable(QStringLiteral("   ")));
  EXPECT_FALSE(DriveWritable(folder + QStringLiteral("missing/")));

  EXPECT_TRUE(DriveWritable(folder));
  EXPECT_TRUE(DriveWritable(QStringLiteral("  ") + folder + QStringLiteral("state.txt  ")));
  EXPECT_TRUE(FolderEntries(folder).isEmpty());

  Touch(folder + QStringLiteral("~!789.~~~"));
  EXPECT_TRUE(DriveWritable(folder));
  EXPECT_EQ(FolderEntries(folder), QStringList{QStringLiteral("~!789.~~~")});
  QFile kept(folder + QStringLiteral("~!789.~~~"));
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), "keep");
}

TEST(FolderRoutines, OnlyWhatAKilledSaveOrProbeLeftIsRemoved) {
  QTemporaryDir dir;
  const QString folder = dir.path() + u'/';
  const QString state = folder + QStringLiteral("~ListUser.txt");
  Touch(state);
  LeaveAKilledSave(state);
  QFile kept(state);
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), "keep");
  const QStringList left = FolderEntries(folder).filter(QStringLiteral(".kovra-save-"));
  ASSERT_EQ(left.size(), 1);
  EXPECT_TRUE(IsInterruptedSave(left[0]));

  // The user's own files, however much they look like leftovers, stay.
  const QStringList users = {
      QStringLiteral("~Messages.txt.backup"), QStringLiteral("~ListUser.txt.backup"),
      QStringLiteral("~kv.bmp.old001"),       QStringLiteral("plan.bmp.Qw12er"),
      QStringLiteral("a.kovra-save-12345"),   QStringLiteral("~!789-7.~~~"),
      QStringLiteral("~!789-x.~~~")};
  for (const QString& name : users) Touch(folder + name);
  for (const QString& name : {QStringLiteral("~!789.~~~"), QStringLiteral("~!789-3.~~~")})
    QFile(folder + name).open(QIODevice::WriteOnly);  // empty, as the probe leaves them
  QFile(folder + QStringLiteral("~!789-x.~~~")).resize(0);

  EXPECT_EQ(RemoveInterruptedSaves(folder), 1);
  EXPECT_EQ(RemoveProbeLeftovers(folder), 2);
  QStringList expected = users;
  expected.append(QStringLiteral("~ListUser.txt"));
  expected.sort();
  EXPECT_EQ(FolderEntries(folder), expected);

  kept.close();
  ReplaceFileAtomically(state, [](QIODevice& file) { return file.write("new") == 3; });
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), "new");
  EXPECT_EQ(FolderEntries(folder), expected) << "a finished save leaves nothing beside it";
}

TEST(FolderRoutines, UniqueFileNameCountsUpFromOne) {
  QTemporaryDir dir;
  const QString probe = dir.path() + QStringLiteral("/~!789.~~~");
  EXPECT_EQ(UniqueFileName(probe), probe);
  Touch(probe);
  EXPECT_EQ(UniqueFileName(probe), dir.path() + QStringLiteral("/~!789-1.~~~"));
  Touch(dir.path() + QStringLiteral("/~!789-1.~~~"));
  EXPECT_EQ(UniqueFileName(probe), dir.path() + QStringLiteral("/~!789-2.~~~"));
  Touch(dir.path() + QStringLiteral("/noext"));
  EXPECT_EQ(UniqueFileName(dir.path() + QStringLiteral("/noext")),
            dir.path() + QStringLiteral("/noext-1"));
}

TEST(FolderRoutines, FolderTestsAndCreation) {
  QTemporaryDir dir;
  const QString a = dir.path() + QStringLiteral("/A");
  EXPECT_FALSE(FolderExists(QString()));
  EXPECT_FALSE(FolderExists(a));
  ASSERT_TRUE(QDir().mkdir(a));
  EXPECT_TRUE(FolderExists(QStringLiteral(" ") + a + QStringLiteral("/ ")));
  Touch(dir.path() + QStringLiteral("/file"));
  EXPECT_FALSE(FolderExists(dir.path() + QStringLiteral("/file")));

  // A exists and B does not: B is made, and the existing A makes it false.
  EXPECT_FALSE(CreateFolderPath(a + QStringLiteral("/B/")));
  EXPECT_TRUE(FolderExists(a + QStringLiteral("/B")));
  EXPECT_FALSE(CreateFolderPath(a + QStringLiteral("//C//D/")));
  EXPECT_TRUE(FolderExists(a + QStringLiteral("/C/D")));
  EXPECT_TRUE(CreateFolderPath(QStringLiteral("/")));

  QString deep = a;
  for (int i = 0; i < 40; ++i) deep += QStringLiteral("/level%1").arg(i);
  CreateFolderPath(deep + u'/');
  EXPECT_TRUE(FolderExists(deep)) << "paths over 255 characters are created too";
}

TEST(FolderRoutines, StateGoesToTheUsersFolderWhenTheProgramsCannotBeWritten) {
  QTemporaryDir dir;
  // A folder nothing can be made in, even by root: it is a file.
  Touch(dir.path() + QStringLiteral("/program"));
  const QString locked = dir.path() + QStringLiteral("/program/");
  const QString own = dir.path() + QStringLiteral("/Local/Kovra");

  const StateFolder first = ChooseStateFolder(locked, own);
  EXPECT_EQ(first.folder, own + u'/');
  EXPECT_TRUE(first.moved && first.made);
  EXPECT_TRUE(StateFolderNotice(locked, first).contains(QDir::toNativeSeparators(own + u'/')));
  // Said where at the first start there; later starts go there silently.
  const StateFolder later = ChooseStateFolder(locked, own);
  EXPECT_EQ(later.folder, own + u'/');
  EXPECT_TRUE(later.moved && !later.made);
  EXPECT_TRUE(StateFolderNotice(locked, later).isEmpty());

  // Nowhere to write: the program's folder, and the user is told each time.
  const StateFolder nowhere = ChooseStateFolder(locked, dir.path() + QStringLiteral("/program/x"));
  EXPECT_EQ(nowhere.folder, locked);
  EXPECT_FALSE(nowhere.moved);
  EXPECT_TRUE(StateFolderNotice(locked, nowhere).contains(QStringLiteral("не сохранятся")));

  // A folder that can be written keeps the state, and nothing is said.
  const QString writable = dir.path() + u'/';
  const StateFolder beside = ChooseStateFolder(writable, own);
  EXPECT_EQ(beside.folder, writable);
  EXPECT_TRUE(StateFolderNotice(writable, beside).isEmpty());
}

TEST(Clock, DateAndLongTimeWithoutTheTimeAtMidnight) {
  const QDate day(2026, 12, 7);
  const QString midnight = DateTimeText(QDateTime(day, QTime(0, 0)));
  const QString later = DateTimeText(QDateTime(day, QTime(13, 45, 59)));
  // Russian, whatever the system speaks.
  EXPECT_EQ(midnight, QStringLiteral("07.12.2026"));
  EXPECT_EQ(later, QStringLiteral("07.12.2026 13:45:59"));
}

}  // namespace
}  // namespace kovra
