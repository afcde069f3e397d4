// The board menu and the five board file commands on one window, with a
// loopback peer that records what the window sends.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include "app/main_window.h"
#include "app/notice_line.h"
#include "app/qt_dialogs.h"
#include "board/board_files.h"
#include "board/board_view.h"
#include "common/bmp_builder.h"
#include "common/loopback.h"
#include "common/test_window.h"
#include "net/command.h"
#include "net/correspondents.h"
#include "support/error_guard.h"

namespace kovra {
namespace {

using test::Collector;
using test::TestWindow;

const QHostAddress kBoardPeer(QStringLiteral("127.0.0.31"));

struct BoardFixture {
  BoardFixture() : peer(kBoardPeer, test.Env().udp_port), form(test.Start()) {
    form.UserList().Append("127.0.0.31=Yes");
  }
  QImage SavedBoard() { return QImage(test.Path(QStringLiteral("~kv.bmp")), "bmp"); }
  TestWindow test;
  Collector peer;
  TForm1& form;
};

TEST(BoardCommands, NewBoardFromTheMenuAndFromPeers) {
  BoardFixture f;
  EXPECT_EQ(f.form.Board().Image().size(), QSize(602, 385));

  // One dialog: the question with both sizes offered; a wrong size is told,
  // and mended there.
  auto& dialogs = f.test.Dialogs();
  dialogs.text_answers = {QStringLiteral("50000"), QStringLiteral("50000")};
  f.form.BoardItems().N2Click();
  EXPECT_EQ(dialogs.prompts, QStringList{QStringLiteral("Новая доска|602|385")});
  EXPECT_EQ(dialogs.questions, QStringList{QStringLiteral("Стереть доску у всех (2 компьютера)?")});
  EXPECT_EQ(dialogs.size_problems, QStringList{BoardTooLargeMessage(50000, 50000)});
  EXPECT_EQ(f.form.Board().Image().size(), QSize(602, 385)) << "cancelled after it";

  dialogs.size_problems.clear();
  dialogs.text_answers = {QStringLiteral("99"),  QStringLiteral("385"), QStringLiteral("широкая"),
                          QStringLiteral("385"), QStringLiteral("100"), QStringLiteral("100")};
  f.form.BoardItems().N2Click();
  EXPECT_EQ(dialogs.size_problems,
            QStringList({QStringLiteral("Ширина — не меньше 100 точек"),
                         QStringLiteral("Ширина — целое число точек, а не «широкая»")}));
  EXPECT_EQ(f.form.Board().Image(), test::WhiteImage(100, 100));
  EXPECT_EQ(f.SavedBoard().size(), QSize(100, 100));
  ASSERT_TRUE(f.peer.WaitFor(1));
  EXPECT_EQ(f.peer.Received()[0], "Kovra:>NewKV:>100 100");

  f.form.Commands().Dispatch({"NEWKV", "50 20"});
  EXPECT_EQ(f.form.Board().Image().size(), QSize(100, 100));
  f.form.Commands().Dispatch({"NEWKV", "300 200"});
  EXPECT_EQ(f.form.Board().Image(), test::WhiteImage(300, 200));
  EXPECT_TRUE(QTest::qWaitFor([&] { return f.SavedBoard().size() == QSize(300, 200); }))
      << "written in the background";
  for (const char* args : {"7", "x 5", "0 50", "-5 100", ""})
    f.form.Commands().Dispatch({"NEWKV", args});
  EXPECT_EQ(f.form.Board().Image().size(), QSize(300, 200));
  EXPECT_EQ(f.form.Controls().Image_KV->size(), QSize(300, 200)) << "shown at its natural size";

  // Too large to hold: refused with a notice, the board stays.
  f.peer.Send("Kovra:>NewKV:>40000 40000", QHostAddress(QStringLiteral("127.0.0.1")),
              f.test.Env().udp_port);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !f.form.Controls().Label_Notice->isHidden(); }, 3000));
  // On one line, its spaces plain.
  EXPECT_EQ(
      f.form.Controls().Label_Notice->text(),
      (QStringLiteral("127.0.0.31: ") + BoardTooLargeMessage(40000, 40000) + u'.').simplified());
  EXPECT_TRUE(f.test.Dialogs().errors.isEmpty()) << "a peer opens no box";
  EXPECT_EQ(f.form.Board().Image().size(), QSize(300, 200));
  QTest::qWait(50);
  EXPECT_EQ(f.peer.Received().size(), 1u) << "a received command sends nothing back";

  ASSERT_TRUE(QFile::remove(f.test.Path(QStringLiteral("~kv.bmp"))));
  EXPECT_TRUE(f.form.close());
  EXPECT_EQ(f.SavedBoard().size(), QSize(300, 200)) << "saved at close";
}

TEST(BoardCommands, TheSizeDialogSaysWhatIsWrongAndStaysOpenToMendIt) {
  QtDialogs dialogs;
  const auto check = [](const QString& width,
                        const QString& height) -> std::variant<QSize, QString> {
    if (width.toInt() < 100) return QStringLiteral("Ширина — не меньше 100 точек");
    if (width.toInt() > 10000) return BoardTooLargeMessage(width.toInt(), height.toInt());
    return QSize(width.toInt(), height.toInt());
  };
  QString offered;
  QString told;
  QString too_large;
  bool whole = false;
  QTimer::singleShot(0, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    auto* width = dialog->findChild<QLineEdit*>(QStringLiteral("SizeWidth"));
    auto* height = dialog->findChild<QLineEdit*>(QStringLiteral("SizeHeight"));
    offered = width->text() + u'x' + height->text();
    auto* yes = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Yes);
    width->setText(QStringLiteral("7"));
    yes->click();
    auto* problem = dialog->findChild<QLabel*>(QStringLiteral("SizeProblem"));
    told = problem->isVisibleTo(dialog) ? problem->text() : QString();
    // A refusal of a few lines shows whole, its numbers grouped.
    width->setText(QStringLiteral("100000"));
    height->setText(QStringLiteral("100000"));
    yes->click();
    too_large = problem->text();
    whole = problem->height() >= problem->heightForWidth(problem->width()) &&
            problem->geometry().bottom() < dialog->findChild<QDialogButtonBox*>()->geometry().top();
    height->setText(QStringLiteral("385"));
    width->setText(QStringLiteral("300"));
    yes->click();
  });
  EXPECT_EQ(dialogs.AskSize(QStringLiteral("Новая доска"), QStringLiteral("Стереть доску?"),
                            QSize(602, 385), check),
            QSize(300, 385));
  EXPECT_EQ(offered, QStringLiteral("602x385"));
  EXPECT_EQ(told, QStringLiteral("Ширина — не меньше 100 точек"));
  EXPECT_TRUE(too_large.contains(QRegularExpression(QStringLiteral("^Доска 100.000 на 100.000 "))))
      << too_large.toStdString();
  EXPECT_TRUE(whole);
}

TEST(BoardCommands, PeerNamesStayInsideThePictureFolder) {
  BoardFixture f;
  f.form.Commands().Dispatch({"IMAGEKV_SAVETOFILE", "../x.bmp"});
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return QFileInfo::exists(f.test.Path(QStringLiteral("BMP/x.bmp"))); }));
  EXPECT_FALSE(QFileInfo::exists(f.test.Path(QStringLiteral("x.bmp"))));
  f.form.Commands().Dispatch({"IMAGEKV_SAVETOFILE", ".."});
  f.form.Commands().Dispatch({"IMAGEKV_SAVETOFILE", "a/"});
  EXPECT_EQ(f.test.Dialogs().messages,
            (QStringList{QStringLiteral("Ошибка при сохранении файла: .."),
                         QStringLiteral("Ошибка при сохранении файла: a/")}));

  f.form.Commands().Dispatch({"IMAGEKV_LOADFROMFILE", "..\\pic.bmp"});
  EXPECT_EQ(f.test.Dialogs().messages.last(),
            QStringLiteral("Ошибка при загрузке файла: ..\\pic.bmp"));
  QFile picture(f.test.Path(QStringLiteral("BMP/pic.bmp")));
  ASSERT_TRUE(picture.open(QIODevice::WriteOnly));
  picture.write(test::MakeBmp(120, 110, 8, true));
  picture.close();
  f.form.Commands().Dispatch({"IMAGEKV_LOADFROMFILE", "..\\pic.bmp"});
  EXPECT_EQ(f.form.Board().Image().size(), QSize(120, 110));
  EXPECT_EQ(f.form.Board().Image().pixel(5, 9), test::ExpectedPixel(8, 5, 9));

  // A picture folder entry that is no bitmap: the error, and the board stays.
  QFile fake(f.test.Path(QStringLiteral("BMP/fake.bmp")));
  ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
  fake.write("not a picture");
  fake.close();
  EXPECT_THROW(f.form.Commands().Dispatch({"IMAGEKV_LOADFROMFILE", "fake.bmp"}), Error);
  EXPECT_EQ(f.form.Board().Image().size(), QSize(120, 110));
}

TEST(BoardCommands, PeersSavesKeepTheDiskAndThePictureFolderWithinTheirAllowance) {
  TestWindow test;
  test.WriteFile(QStringLiteral("~Kovra.ini"), "[General]\nPictureFolderLimitMB=1\n");
  TForm1& form = test.Start();
  Collector peer(kBoardPeer, test.Env().udp_port);
  const QHostAddress window(QStringLiteral("127.0.0.1"));
  const quint16 port = test.Env().udp_port;
  // A 602 by 385 board takes about 700 kB: one fits in 1 MB, a second does not.
  peer.Send("Kovra:>ImageKV_SaveToFile:>one.bmp", window, port);
  peer.Send("Kovra:>ImageKV_SaveToFile:>two.bmp", window, port);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !form.Controls().Label_Notice->isHidden(); }, 3000));
  EXPECT_TRUE(
      form.Controls().Label_Notice->text().contains(QStringLiteral("папка BMP превысила бы 1 МБ")))
      << form.Controls().Label_Notice->text().toStdString();
  ASSERT_TRUE(QTest::qWaitFor([&] { return form.Files().Saver().Pending() == 0; }));
  EXPECT_TRUE(QFileInfo::exists(test.Path(QStringLiteral("BMP/one.bmp"))));
  EXPECT_FALSE(QFileInfo::exists(test.Path(QStringLiteral("BMP/two.bmp"))));
  const QString told = form.Controls().Label_Notice->text();
  peer.Send("Kovra:>ImageKV_SaveToFile:>one.bmp", window, port);
  QTest::qWait(100);
  EXPECT_EQ(form.Controls().Label_Notice->text(), told) << "replacing a picture takes no more room";

  // A disk that must keep everything free takes no peer's board.
  form.close();
  test.WriteFile(QStringLiteral("~Kovra.ini"), "[General]\nMinFreeDiskPercent=100\n");
  TForm1& again = test.Start();
  again.Commands().Dispatch({"NEWKV", "300 200"});
  again.Commands().Dispatch({"IMAGEKV_SAVE", ""});
  EXPECT_EQ(again.Board().Image().size(), QSize(602, 385)) << "the board stays";
  ASSERT_EQ(test.Dialogs().messages.size(), 2);
  EXPECT_TRUE(test.Dialogs().messages[0].startsWith(QStringLiteral("Сохранение отклонено")));
  EXPECT_TRUE(test.Dialogs().errors.isEmpty());
}

TEST(BoardCommands, PeersSavesAreWrittenBehindTheWindowInOrderAndTheirFailuresAreTheirs) {
  BoardFixture f;
  f.form.Commands().Dispatch({"NEWKV", "300 200"});
  f.form.Commands().Dispatch({"IMAGEKV_SAVETOFILE", "pic.bmp"});
  f.form.Commands().Dispatch({"NEWKV", "150 150"});
  EXPECT_EQ(f.form.Board().Image().size(), QSize(150, 150));
  // A load waits for the saves asked before it.
  f.form.Commands().Dispatch({"IMAGEKV_LOADFROMFILE", "pic.bmp"});
  EXPECT_EQ(f.form.Board().Image().size(), QSize(300, 200));
  EXPECT_EQ(f.form.Files().Saver().Pending(), 0);

  QFile locked(f.test.Path(QStringLiteral("BMP/locked.bmp")));
  ASSERT_TRUE(locked.open(QIODevice::WriteOnly));
  locked.write(test::MakeBmp(4, 4, 24, false));
  locked.close();
  locked.setPermissions(QFileDevice::ReadOwner);
  f.peer.Send("Kovra:>ImageKV_SaveToFile:>locked.bmp", QHostAddress(QStringLiteral("127.0.0.1")),
              f.test.Env().udp_port);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !f.form.Controls().Label_Notice->isHidden(); }, 3000));
  EXPECT_TRUE(f.form.Controls().Label_Notice->text().startsWith(
      QStringLiteral("127.0.0.31: Cannot create")))
      << "told as the sender's when the save ended: "
      << f.form.Controls().Label_Notice->text().toStdString();
  EXPECT_TRUE(f.test.Dialogs().errors.isEmpty());
}

TEST(BoardCommands, WorkingFileCommands) {
  BoardFixture f;
  ASSERT_TRUE(QFile::remove(f.test.Path(QStringLiteral("~kv.bmp"))));
  f.form.BoardItems().N11Click();
  f.form.Commands().Dispatch({"IMAGEKV_LOAD", ""});
  EXPECT_EQ(f.test.Dialogs().messages, QStringList{QStringLiteral("Файл не найден : ~kv.bmp")});

  f.form.Commands().Dispatch({"NEWKV", "150 120"});
  f.form.BoardItems().N10Click();
  ASSERT_TRUE(f.peer.WaitFor(1));
  EXPECT_EQ(f.peer.Received()[0], "Kovra:>ImageKV_Save:>");
  f.form.BoardItems().N11Click();
  ASSERT_TRUE(f.peer.WaitFor(2));
  EXPECT_EQ(f.peer.Received()[1], "Kovra:>ImageKV_Load:>");

  f.test.Dialogs().file_answers = {QStringLiteral("/elsewhere/unknown.bmp")};
  f.form.BoardItems().N3Click();
  EXPECT_EQ(f.test.Dialogs().file_dialog_folders.last(), f.test.Path(QStringLiteral("BMP/")));
  EXPECT_EQ(f.test.Dialogs().messages.last(),
            QStringLiteral("Файл не найден: ") + f.test.Path(QStringLiteral("BMP/unknown.bmp")));

  f.test.Dialogs().file_answers = {QStringLiteral("/elsewhere/kept.bmp")};
  f.form.BoardItems().N4Click();
  EXPECT_TRUE(QFileInfo::exists(f.test.Path(QStringLiteral("BMP/kept.bmp"))));
  ASSERT_TRUE(f.peer.WaitFor(3));
  EXPECT_EQ(f.peer.Received()[2], "Kovra:>ImageKV_SaveToFile:>kept.bmp");
  f.test.Dialogs().file_answers = {QStringLiteral("kept.bmp")};
  f.form.BoardItems().N3Click();
  ASSERT_TRUE(f.peer.WaitFor(4));
  EXPECT_EQ(f.peer.Received()[3], "Kovra:>ImageKV_LoadFromFile:>kept.bmp");
}

TEST(BoardCommands, UnusableFolderWritesNothingButStillTellsPeers) {
  TestWindow test;
  Collector peer(kBoardPeer, test.Env().udp_port);
  test.Env().program_dir = test.Path(QStringLiteral("gone/"));
  TForm1& form = test.Start();
  EXPECT_EQ(form.Board().Image(), test::WhiteImage(602, 385)) << "a board all the same";
  form.UserList().Append("127.0.0.31=Yes");
  form.BoardItems().N10Click();
  ASSERT_TRUE(peer.WaitFor(1));
  EXPECT_EQ(peer.Received()[0], "Kovra:>ImageKV_Save:>");
  form.BoardItems().N4Click();
  EXPECT_TRUE(test.Dialogs().file_dialog_folders.isEmpty()) << "no dialog at all";
  form.Commands().Dispatch({"IMAGEKV_SAVE", ""});
  EXPECT_EQ(test.Dialogs().messages,
            QStringList{QStringLiteral("Ошибка при сохранении файла: ~kv.bmp")});
  EXPECT_FALSE(QFileInfo::exists(test.Path(QStringLiteral("gone"))));
}

}  // namespace
}  // namespace kovra
