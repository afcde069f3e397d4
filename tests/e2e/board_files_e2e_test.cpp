// Board file commands between two complete windows on loopback.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTest>

#include "app/main_window.h"
#include "common/loopback.h"
#include "common/test_window.h"
#include "common/window_group.h"
#include "net/correspondents.h"

namespace kovra {
namespace {

using test::TestWindow;

TEST(BoardFiles, NewBoardAndSaveToFileReachThePeer) {
  test::WindowGroup group(2);
  ASSERT_TRUE(group.StartListingEachOther());
  TestWindow& a = group[0];
  TestWindow& b = group[1];

  a.Dialogs().text_answers = {QStringLiteral("320"), QStringLiteral("240")};
  a.Window().BoardItems().N2Click();
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return b.Window().Board().Image().size() == QSize(320, 240); }, 3000));
  EXPECT_EQ(b.Window().Board().Image(), test::WhiteImage(320, 240));
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return QImage(b.Path(QStringLiteral("~kv.bmp")), "bmp").size() == QSize(320, 240); }));

  a.Dialogs().file_answers = {QStringLiteral("/somewhere/shared name.bmp")};
  a.Window().BoardItems().N4Click();
  EXPECT_TRUE(QFileInfo::exists(a.Path(QStringLiteral("BMP/shared name.bmp"))));
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return QFileInfo::exists(b.Path(QStringLiteral("BMP/shared name.bmp"))); }, 3000));
  EXPECT_EQ(QImage(b.Path(QStringLiteral("BMP/shared name.bmp")), "bmp").size(), QSize(320, 240));
  EXPECT_TRUE(a.Dialogs().errors.isEmpty());
  EXPECT_TRUE(b.Dialogs().errors.isEmpty());
  EXPECT_TRUE(b.Dialogs().messages.isEmpty());
}

}  // namespace
}  // namespace kovra
