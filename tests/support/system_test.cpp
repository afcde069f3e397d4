#include "support/system.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

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
}

TEST(InstanceGuard, ALockThatCannotBeTakenSaysWhyAndWhere) {
  QStringList shown;
  auto show = [&](const QString& text) { shown.append(text); };
  EXPECT_FALSE(FirstInstanceNamed("board.exe", "/nonexistent/folder", true, show));
  QTemporaryDir locks;
  ASSERT_TRUE(QDir(locks.path()).mkdir(QStringLiteral("board.exe.lock")));
  EXPECT_FALSE(FirstInstanceNamed("board.exe", locks.path(), true, show));
  ASSERT_EQ(shown.size(), 2);
  EXPECT_EQ(shown[0], QStringLiteral(
                          "Не удалось занять файл блокировки «/nonexistent/folder/board.exe.lock»: "
                          "No such file or directory"));
  EXPECT_TRUE(shown[1].endsWith(QStringLiteral("board.exe.lock»: Is a directory")))
      << shown[1].toStdString();
}

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
