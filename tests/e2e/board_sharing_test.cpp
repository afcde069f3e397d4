// A copy that starts late, or lacks a picture the others have, gets the whole
// board from another copy as ordinary commands, pixel for pixel.
#include <gtest/gtest.h>

#include <QDir>
#include <QListView>
#include <QProgressDialog>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include "app/correspondent_delegate.h"
#include "app/main_window.h"
#include "app/notice_line.h"
#include "board/board_files.h"
#include "board/board_runs.h"
#include "board/canvas.h"
#include "common/platform.h"
#include "common/session_checks.h"
#include "common/test_window.h"
#include "common/window_group.h"
#include "net/correspondents.h"
#include "net/udp_endpoint.h"

namespace kovra {
namespace {

// A picture in short runs of many colours, as a photograph is.
QImage Noisy(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  QRandomGenerator random(571);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width;) {
      const QRgb colour = random.generate() | 0xFF000000;
      for (int run = 1 + random.bounded(3); run > 0 && x < width; --run)
        image.setPixel(x++, y, colour);
    }
  }
  return image;
}

TEST(BoardRuns, EachRowIsItsRunsOfOneColourWithoutTheWhite) {
  QImage board = test::WhiteImage(10, 2);
  for (int x = 2; x < 5; ++x) board.setPixel(x, 0, qRgb(255, 0, 0));
  board.setPixel(9, 1, qRgb(1, 2, 3));
  BoardRuns runs(board);
  std::vector<std::string> lines;
  for (std::string args; runs.NextLine(args);) lines.push_back(args);
  EXPECT_EQ(lines, (std::vector<std::string>{"2 0 5 0 1 clRed", "9 1 10 1 1 $00030201"}));
  EXPECT_EQ(BoardRuns::Count(board), 2u);
}

TEST(BoardSharing, ALateCopyGetsTheDrawnBoardAndANoisyPicturePixelForPixel) {
  test::WindowGroup group(3);
  ASSERT_TRUE(group.StartListingEachOther());
  TForm1& a = group.Form(0);
  TForm1& b = group.Form(1);
  TForm1& c = group.Form(2);

  // A's own drawing the others never saw, then a picture only A has.
  QImage drawn = test::WhiteImage(602, 385);
  for (int x = 10; x < 300; ++x) drawn.setPixel(x, 40 + x / 10, qRgb(0, 0, 128));
  QImage noisy = Noisy(160, 120);
  for (const QImage& picture : {drawn, noisy}) {
    ASSERT_TRUE(picture.save(group[0].Path(QStringLiteral("BMP/p.bmp")), "BMP"));
    ASSERT_TRUE(a.Files().LoadFromBmpFolder(QStringLiteral("p.bmp")));
    ASSERT_NE(b.Board().Image(), a.Board().Image());
    a.BoardItems().SendBoardToAllClick();
    for (TForm1* other : {&b, &c}) {
      EXPECT_TRUE(
          QTest::qWaitFor([&] { return other->Board().Image() == a.Board().Image(); }, 10000))
          << "every pixel arrived";
    }
  }
  EXPECT_EQ(group[0].Dialogs().questions,
            QStringList(2, QStringLiteral("Заменить доску у всех (2 компьютера) вашей доской?")))
      << "asked once each time, however short the sending";
  group[0].Dialogs().questions.clear();

  // To one line from the list's menu; a sending that takes a while asks first.
  group[0].Dialogs().confirm_answers = {false};
  a.Files().LoadFromBmpFolder(QStringLiteral("p.bmp"));
  const QImage big = Noisy(400, 300);
  ASSERT_TRUE(big.save(group[0].Path(QStringLiteral("BMP/big.bmp")), "BMP"));
  ASSERT_TRUE(a.Files().LoadFromBmpFolder(QStringLiteral("big.bmp")));
  HighlightLine(*a.Controls().ListUser, 0);
  a.BoardItems().SendBoardClick();
  ASSERT_EQ(group[0].Dialogs().questions.size(), 1);
  QTest::qWait(200);
  EXPECT_NE(b.Board().Image().size(), QSize(400, 300)) << "declined: nothing sent";
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(group[i].Dialogs().errors.isEmpty());
    EXPECT_TRUE(group[i].Dialogs().messages.isEmpty());
  }
}

TEST(BoardExport, APngWrittenAnywhereReadsBackAsTheBoard) {
  test::TestWindow test;
  TForm1& form = test.Start();
  const QImage noisy = Noisy(200, 150);
  ASSERT_TRUE(noisy.save(test.Path(QStringLiteral("BMP/p.bmp")), "BMP"));
  ASSERT_TRUE(form.Files().LoadFromBmpFolder(QStringLiteral("p.bmp")));
  QTemporaryDir elsewhere;
  test.Dialogs().file_answers = {elsewhere.filePath(QStringLiteral("board"))};
  form.BoardItems().SavePngClick();
  const QImage back(elsewhere.filePath(QStringLiteral("board.png")), "PNG");
  EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), form.Board().Image());
  EXPECT_TRUE(test.Dialogs().errors.isEmpty());
}

TEST(BoardSharing, NoRoomToSendSlowsTheSendingDownAndAStallIsTold) {
  test::WindowGroup group(2);
  // Copies without the delivery extension: the board goes as runs of lines.
  for (int i = 0; i < 2; ++i) group[i].Env().delivery_extension = false;
  ASSERT_TRUE(group.StartListingEachOther());
  TForm1& a = group.Form(0);
  TForm1& b = group.Form(1);
  const QImage noisy = Noisy(200, 150);
  ASSERT_TRUE(noisy.save(group[0].Path(QStringLiteral("BMP/n.bmp")), "BMP"));
  ASSERT_TRUE(a.Files().LoadFromBmpFolder(QStringLiteral("n.bmp")));

  // Now and then the system's queue is full for a few datagrams, as on a slow link.
  int sends = 0;
  a.Udp1->SetSendFault([&sends] { return ++sends % 400 < 5 ? test::NoBuffersError() : 0; });
  a.BoardItems().SendBoardToAllClick();
  EXPECT_TRUE(QTest::qWaitFor([&] { return b.Board().Image() == a.Board().Image(); }, 20000))
      << "every datagram the system refused was sent again";
  const QString incomplete = QStringLiteral("Доска отправлена не полностью");
  EXPECT_FALSE(!a.Controls().Label_Notice->isHidden() &&
               a.Controls().Label_Notice->text().startsWith(incomplete));

  // No room at all: the sending ends within seconds and says so.
  a.Udp1->SetSendFault([] { return test::WouldBlockError(); });
  a.Commands().Dispatch({"NEWKV", "100 100"});
  a.BoardItems().SendBoardToAllClick();
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return a.Controls().Label_Notice->text().startsWith(incomplete); },
                      BoardSending::kGiveUpMs + 3000))
      << a.Controls().Label_Notice->text().toStdString();
  EXPECT_EQ(a.findChild<QProgressDialog*>(QStringLiteral("ProgressBoard")), nullptr);
  a.Udp1->SetSendFault({});
}

TEST(BoardSharing, CopiesStartedTogetherKeepNoBoardWhenOneSendsTheBoardTheyShare) {
  test::WindowGroup group(2);
  // One of them with the board of an earlier run, which the session takes.
  QImage earlier = test::WhiteImage(602, 385);
  for (int x = 100; x < 300; ++x) earlier.setPixel(x, 300, qRgb(0, 0, 200));
  ASSERT_TRUE(earlier.save(group[0].Path(QStringLiteral("~kv.bmp")), "BMP"));
  ASSERT_TRUE(group.StartListingEachOther());
  test::DrawAcross(group, 0, 100);
  test::DrawAcross(group, 1, 200);
  ASSERT_TRUE(test::OneBoard(group, {0, 1}, 5000));
  // The board the owner began alone is the session's, and the member's the
  // same: sending it replaces nothing anybody lacks, on either side.
  int owner = -1;
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return (owner = test::AgreedOwner(group, {0, 1})) >= 0; }, 5000));
  group.Form(1 - owner).BoardItems().SendBoardToAllClick();
  // Sent as tiles of the extension, which come within a moment.
  QTest::qWait(1500);
  ASSERT_TRUE(test::OneBoard(group, {0, 1}, 5000));
  for (int i = 0; i < 2; ++i) {
    group.Form(i).Files().FinishSaves();
    EXPECT_TRUE(QDir(group[i].Path(QStringLiteral("BMP")))
                    .entryList({QStringLiteral("kovra-before-sync-*.bmp")})
                    .isEmpty())
        << i << (i == owner ? ", the owner" : ", the sender");
  }
}

}  // namespace
}  // namespace kovra
