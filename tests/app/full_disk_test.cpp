// The close on a disk that fills up: mounted small for the test, so Linux
// only, and only where the test may mount.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "app/main_window.h"
#include "common/test_window.h"

namespace kovra {
namespace {

using test::TestWindow;

TEST(MainWindow, AFullDiskAtCloseIsReportedWithTheSystemsReason) {
  QTemporaryDir mount_point;
  const QByteArray where = QFile::encodeName(mount_point.path());
  // A disk of 64 kB, too small for the board; only where the test may mount.
  if (::mount("tmpfs", where.constData(), "tmpfs", 0, "size=64k") != 0) {
    GTEST_SKIP() << "cannot mount a small disk here";
  }
  struct Unmount {
    const QByteArray& where;
    ~Unmount() { ::umount2(where.constData(), MNT_DETACH); }
  } unmount{where};
  {
    TestWindow test("ME");
    test.Env().program_dir = mount_point.path() + u'/';
    TForm1& form = test.Start();
    form.show();
    testing::internal::CaptureStderr();
    EXPECT_TRUE(form.close());
    // The board made at the first tick could not be saved either; the close
    // says so once more, with the reason, where it holds nobody.
    const QString report = QString::fromLocal8Bit(testing::internal::GetCapturedStderr().c_str());
    EXPECT_TRUE(report.contains(QStringLiteral("Не всё удалось сохранить")))
        << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("~kv.bmp")));
    EXPECT_TRUE(report.contains(QStringLiteral("No space left on device"))) << report.toStdString();
    EXPECT_TRUE(QFileInfo::exists(mount_point.path() + QStringLiteral("/~ListUser.txt")))
        << "the rest is saved";
  }
}

}  // namespace
}  // namespace kovra
