#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QSplitterHandle>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <atomic>
#include <future>

#include "app/chat_lines.h"
#include "app/chat_view.h"
#include "app/notice_line.h"
#include "app/qt_dialogs.h"
#include "board/board_view.h"
#include "common/loopback.h"
#include "common/test_window.h"
#include "net/correspondents.h"

namespace kovra {
namespace {

using test::TestWindow;

QString TextOf(QObject* object) {
  if (auto* label = qobject_cast<QLabel*>(object)) return label->text();
  if (auto* box = qobject_cast<QGroupBox*>(object)) return box->title();
  if (auto* button = qobject_cast<QAbstractButton*>(object)) return button->text();
  if (auto* menu = qobject_cast<QMenu*>(object)) return menu->title();
  if (auto* action = qobject_cast<QAction*>(object)) return action->text();
  return {};
}

TEST(MainWindow, HasEveryControlWithItsCaption) {
  TestWindow test;
  TForm1& form = test.Start(false);
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Kovra"));
  EXPECT_EQ(form.size(), QSize(790, 590));

  const std::pair<const char*, const char*> captions[] = {
      {"Label_DT", "..."},
      {"GroupBox1", "Сообщения : "},
      {"Label1", "Сообщение послать "},
      {"SpeedButton1", ">"},
      {"GroupBox3", "Список корреспондентов : "},
      {"GroupBox2", "Инструментарий : "},
      {"GroupBox5", "Шрифт : "},
      {"Label_Font", "Шрифт"},
      {"GroupBox4", "Толщина линий : "},
      {"Panel_Cvet_Fon", "Цвет и Фон"},
      {"CB_YesPaint", "Жажду рисовать !!!"},
      {"N1", "Доска"},
      {"N2", "Новая (все стереть)"},
      {"N10", "Сохранить на диск"},
      {"N11", "Загрузить с диска"},
      {"N3", "Загрузить из файла"},
      {"N4", "Сохранить в файл"},
      {"N8", "Сеть"},
      {"N9", "Сообщить о себе всем"},
      {"N6", "Добавить"},
      {"N7", "Удалить"},
  };
  for (const auto& [name, caption] : captions) {
    QObject* control = form.findChild<QObject*>(QString::fromLatin1(name));
    ASSERT_NE(control, nullptr) << name;
    EXPECT_EQ(TextOf(control), QString::fromUtf8(caption)) << name;
  }
  for (const char* name :
       {"Panel1",    "TN1",        "Panel4",     "Edit_Mess", "Panel5",     "RE_Mess",
        "ListUser",  "Panel2",     "Panel6",     "ListTools", "Panel8",     "SpeedButton2",
        "Panel7",    "List_W",     "Panel3",     "Panel9",    "ScrollBox1", "Image_KV",
        "MainMenu1", "PopupMenu1", "PopupMenu2", "Timer1",    "N5",         "N12",
        "Splitter1", "Splitter2",  "Splitter3",  "Splitter4", "Splitter5"}) {
    EXPECT_NE(form.findChild<QObject*>(QString::fromLatin1(name)), nullptr) << name;
  }
  EXPECT_EQ(form.Controls().TN1->count(), 1);
  EXPECT_EQ(form.Controls().TN1->tabText(0), QStringLiteral("Доска"));
  EXPECT_EQ(form.Controls().ListTools->count(), 11);
  EXPECT_EQ(form.Controls().ListTools->item(10)->text(), QStringLiteral("Выделение"));
  EXPECT_EQ(form.Controls().ListTools->item(9)->text(), QStringLiteral(">>Указатель"));
  EXPECT_EQ(form.Controls().List_W->count(), 11);
  EXPECT_EQ(form.Controls().List_W->item(0)->text(), QStringLiteral("Задать=1"));
  EXPECT_EQ(form.Controls().Image_KV->size(), QSize(602, 385));
  EXPECT_TRUE(form.Controls().PopupMenu1->actions().isEmpty());
  EXPECT_TRUE(form.Controls().CB_YesPaint->isChecked()) << "a first drag draws with the pen";
  EXPECT_EQ(form.Controls().RE_Mess->Lines().Count(), 0u);
}

TEST(MainWindow, FirstStartInAnEmptyFolder) {
  TestWindow test;
  TForm1& form = test.Start(false);
  EXPECT_TRUE(QDir(test.Path(QStringLiteral("BMP"))).exists());
  EXPECT_TRUE(form.FirstTick());
  EXPECT_TRUE(form.Timer1->isActive());
  EXPECT_EQ(form.Timer1->interval(), 100);
  EXPECT_EQ(form.Controls().Label_DT->text(), QStringLiteral("..."));

  ASSERT_TRUE(QTest::qWaitFor([&] { return !form.FirstTick(); }, 5000));
  EXPECT_NE(form.Controls().Label_DT->text(), QStringLiteral("..."));
  EXPECT_TRUE(form.windowState() & Qt::WindowMaximized);
  EXPECT_TRUE(form.Timer1->isActive());
  EXPECT_EQ(form.Timer1->interval(), 1000);
  EXPECT_EQ(form.Controls().ListTools->currentRow(), 0);
  EXPECT_EQ(form.Controls().List_W->currentRow(), 0);
  EXPECT_EQ(form.Controls().Label_Font->text(),
            QFontInfo(form.Controls().Label_Font->font()).family())
      << "the family shown, not the one asked for";
  EXPECT_EQ(form.UserList().Count(), 0);
  EXPECT_EQ(form.Controls().RE_Mess->Lines().Count(), 0u);
  EXPECT_TRUE(test.Dialogs().messages.isEmpty());
  EXPECT_TRUE(test.Dialogs().errors.isEmpty());
  // The picture folder and a white board file of the layout's size, nothing else.
  EXPECT_EQ(
      QDir(test.Path(QString())).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
      (QStringList{QStringLiteral("BMP"), QStringLiteral("~kv.bmp")}));
  QImage board(test.Path(QStringLiteral("~kv.bmp")), "bmp");
  EXPECT_EQ(board.convertToFormat(QImage::Format_RGB32), test::WhiteImage(602, 385));
}

TEST(MainWindow, SavedListIsAnnouncedAtStartAndResetAtClose) {
  TestWindow test("ME");
  const quint16 port = test.Env().udp_port;
  test::Collector pc1(QHostAddress(QStringLiteral("127.0.0.21")), port);
  test::Collector pc2(QHostAddress(QStringLiteral("127.0.0.22")), port);
  test.WriteFile(QStringLiteral("~ListUser.txt"),
                 "127.0.0.21=Yes\r\n127.0.0.22=No\r\n\r\n  127.0.0.23 =Yes");
  TForm1& form = test.Start();
  // Shown as written, but nobody is present before answering in this run.
  EXPECT_EQ(form.UserList().Lines(),
            (std::vector<std::string>{"127.0.0.21=No", "127.0.0.22=No", "", "  127.0.0.23 =No"}));
  // Shown by name, those there first; the line without a name last.
  QStringList shown;
  const QAbstractItemModel* model = form.Controls().ListUser->model();
  for (int row = 0; row < model->rowCount(); ++row)
    shown.append(model->index(row, 0).data().toString());
  EXPECT_EQ(shown, (QStringList{QStringLiteral("127.0.0.21=No"), QStringLiteral("127.0.0.22=No"),
                                QStringLiteral("  127.0.0.23 =No"), QString()}));
  ASSERT_TRUE(pc1.WaitFor(1));
  ASSERT_TRUE(pc2.WaitFor(1));
  EXPECT_EQ(pc1.Received()[0], "Kovra:>Enter:>ME");
  EXPECT_EQ(pc2.Received()[0], "Kovra:>Enter:>ME") << "absent correspondents are told too";
  EXPECT_FALSE(form.Controls().ListUser->currentIndex().isValid()) << "the walk highlights nothing";

  EXPECT_TRUE(form.close());
  ASSERT_TRUE(pc1.WaitFor(2));
  ASSERT_TRUE(pc2.WaitFor(2));
  EXPECT_EQ(pc1.Received()[1], "Kovra:>Exit:>ME");
  EXPECT_EQ(test.ReadFile(QStringLiteral("~ListUser.txt")),
            "127.0.0.21=No\r\n127.0.0.22=No\r\n\r\n127.0.0.23=No\r\n");
  EXPECT_TRUE(test.Dialogs().errors.isEmpty());
}

TEST(MainWindow, CloseWithAnUnusableFolderStillSaysGoodbye) {
  TestWindow test("ME");
  test::Collector pc1(QHostAddress(QStringLiteral("127.0.0.21")), test.Env().udp_port);
  test.Env().program_dir = test.Path(QStringLiteral("gone/"));
  TForm1& form = test.Start();
  form.UserList().Append("127.0.0.21=Yes");
  EXPECT_TRUE(form.close());
  ASSERT_TRUE(pc1.WaitFor(1));
  EXPECT_EQ(pc1.Received()[0], "Kovra:>Exit:>ME");
  EXPECT_EQ(form.UserList().Lines(), std::vector<std::string>{"127.0.0.21=Yes"});
  EXPECT_FALSE(QFileInfo::exists(test.Path(QStringLiteral("gone"))));
}

TEST(MainWindow, UnresolvableCorrespondentNeverHoldsTheWindowOpen) {
  TestWindow test("ME");
  TForm1& form = test.Start();
  form.UserList().Append("nobody.invalid=Yes");
  form.show();
  EXPECT_TRUE(form.close()) << "the goodbye to it is skipped";
  EXPECT_FALSE(form.isVisible());
  EXPECT_TRUE(test.Dialogs().messages.isEmpty()) << "nothing in the close opens a box";
  EXPECT_TRUE(test.Dialogs().errors.isEmpty());
  EXPECT_EQ(test.ReadFile(QStringLiteral("~ListUser.txt")), "nobody.invalid=No\r\n");
}

TEST(MainWindow, FailedRestoreIsReportedAndStopsTheClock) {
  TestWindow test;
  // A folder where the list file should be: it exists but cannot be read.
  ASSERT_TRUE(QDir(test.Path(QString())).mkdir(QStringLiteral("~ListUser.txt")));
  TForm1& form = test.Start();
  ASSERT_EQ(test.Dialogs().errors.size(), 1);
  EXPECT_TRUE(test.Dialogs().errors[0].startsWith(QStringLiteral("Cannot open file")));
  EXPECT_TRUE(test.Dialogs().errors[0].endsWith(u'.'));
  EXPECT_FALSE(form.Timer1->isActive());
  EXPECT_EQ(form.Controls().List_W->currentRow(), -1) << "the steps after the failure are skipped";
  QTest::qWait(250);
  EXPECT_EQ(test.Dialogs().errors.size(), 1) << "the restore is never retried";
}

TEST(MainWindow, ListNotYetLoadedIsNeverSavedOverTheStoredOne) {
  const QByteArray stored = "FRIEND=Yes\r\n";
  {
    TestWindow test("ME");
    test.WriteFile(QStringLiteral("~ListUser.txt"), stored);
    TForm1& form = test.Start(false);
    EXPECT_TRUE(form.close()) << "closed before the first tick";
    EXPECT_EQ(test.ReadFile(QStringLiteral("~ListUser.txt")), stored);
  }
  // A list that cannot be read is told at the first tick and never replaced.
  TestWindow test("ME");
  ASSERT_TRUE(QDir(test.Path(QString())).mkpath(QStringLiteral("~ListUser.txt/kept")));
  TForm1& form = test.Start(false);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !test.Dialogs().errors.isEmpty(); }, 5000));
  EXPECT_TRUE(form.close());
  EXPECT_TRUE(QFileInfo(test.Path(QStringLiteral("~ListUser.txt/kept"))).isDir());
  EXPECT_EQ(test.Dialogs().errors.size(), 1) << "nothing to report at the close";
}

TEST(MainWindow, CloseDuringALookupEndsAtOnce) {
  TestWindow test("ME");
  // A resolver that answers only when the test is over (or after 10 s, so
  // that a close that waits fails instead of hanging), as a LAN without a
  // name service can take its time.
  auto gate = std::make_shared<std::promise<void>>();
  std::shared_future<void> opened = gate->get_future().share();
  auto lookups = std::make_shared<std::atomic<int>>(0);
  test.Env().resolve_host = [opened, lookups](const QString&) -> std::optional<quint32> {
    ++*lookups;
    opened.wait_for(std::chrono::seconds(10));
    return std::nullopt;
  };
  test.WriteFile(QStringLiteral("~ListUser.txt"), "SLOWPC=Yes\r\n");
  TForm1& form = test.Start(false);
  form.show();
  // The user closes the window while the first tick's greeting waits.
  bool closing = false;
  QElapsedTimer since_close;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (lookups->load() == 0 || closing) return;
    closing = true;
    since_close.start();
    form.close();
  });
  poll.start(5);
  // Back here while the resolver still has not answered: nothing waits any more.
  ASSERT_TRUE(QTest::qWaitFor([&] { return closing && !form.isVisible(); }, 15000));
  EXPECT_LT(since_close.elapsed(), 1000) << "the close and the greeting below it end at once";
  EXPECT_EQ(lookups->load(), 1) << "the goodbye does not wait for the greeting's lookup again";
  EXPECT_EQ(test.ReadFile(QStringLiteral("~ListUser.txt")), "SLOWPC=No\r\n");
  EXPECT_TRUE(test.Dialogs().messages.isEmpty());
  EXPECT_TRUE(test.Dialogs().errors.isEmpty());
  gate->set_value();
}

TEST(MainWindow, TheGoodbyeGivesASlowNameAMomentOnly) {
  TestWindow test("ME");
  // Only a name added since the start is slow: the goodbye is its first lookup.
  auto gate = std::make_shared<std::promise<void>>();
  std::shared_future<void> opened = gate->get_future().share();
  test.Env().resolve_host = [opened](const QString& name) -> std::optional<quint32> {
    if (name == QStringLiteral("SLOWPC")) opened.wait_for(std::chrono::seconds(10));
    return std::nullopt;
  };
  TForm1& form = test.Start();
  form.show();
  form.UserList().Append("SLOWPC=Yes");
  QElapsedTimer since_close;
  since_close.start();
  EXPECT_TRUE(form.close());
  EXPECT_LT(since_close.elapsed(), 2000) << "the lookup below the goodbye gave up";
  gate->set_value();
}

TEST(MainWindow, CloseSavesWhatItCanAndReportsTheRestWithoutABox) {
  TestWindow test("ME");
  test::Collector pc1(QHostAddress(QStringLiteral("127.0.0.21")), test.Env().udp_port);
  test.WriteFile(QStringLiteral("~ListUser.txt"), "127.0.0.21=Yes\r\nBOGUS.invalid=Yes\r\n");
  QFile::setPermissions(test.Path(QStringLiteral("~ListUser.txt")), QFileDevice::ReadOwner);
  TForm1& form = test.Start();
  form.show();
  testing::internal::CaptureStderr();
  EXPECT_TRUE(form.close());
  const QString said = QString::fromLocal8Bit(testing::internal::GetCapturedStderr().c_str());
  EXPECT_FALSE(form.isVisible());
  EXPECT_TRUE(test.Dialogs().errors.isEmpty()) << "no box holds the close";
  EXPECT_EQ(said.count(QStringLiteral("Не всё удалось сохранить")), 1) << said.toStdString();
  EXPECT_TRUE(said.contains(QStringLiteral("~ListUser.txt")));
  EXPECT_TRUE(QFileInfo::exists(test.Path(QStringLiteral("~kv.bmp")))) << "the board is kept";
  ASSERT_TRUE(pc1.WaitFor(2));
  EXPECT_EQ(pc1.Received().back(), "Kovra:>Exit:>ME") << "the goodbye passed the bad name";
  EXPECT_EQ(test.ReadFile(QStringLiteral("~ListUser.txt")),
            "127.0.0.21=Yes\r\nBOGUS.invalid=Yes\r\n");
}

TEST(MainWindow, SettingsThatCannotBeReadAreToldOnceByTheirKeys) {
  TestWindow test;
  test.WriteFile(QStringLiteral("~Kovra.ini"),
                 "[General]\nPictureFolderLimitMB=1,024\nMinFreeDiskMB=100 # enough\n"
                 "MinFreeDiskPercent=5\n");
  TForm1& form = test.Start();
  EXPECT_EQ(form.Controls().Label_Notice->text(),
            QStringLiteral("В ~Kovra.ini не понято (нужно целое число без пояснений): "
                           "PictureFolderLimitMB, MinFreeDiskMB; взято обычное значение"));
  EXPECT_TRUE(test.Dialogs().messages.isEmpty());
}

TEST(MainWindow, EnterAnywhereClicksSendAndNeverReachesTheControl) {
  TestWindow test;
  TForm1& form = test.Start();
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  QSignalSpy clicks(form.Controls().SpeedButton1, &QToolButton::clicked);
  QSignalSpy returns(form.Controls().Edit_Mess, &QLineEdit::returnPressed);

  for (QWidget* target : {static_cast<QWidget*>(form.Controls().Edit_Mess),
                          static_cast<QWidget*>(form.Controls().ListUser),
                          static_cast<QWidget*>(form.Controls().ListTools),
                          static_cast<QWidget*>(form.Controls().List_W)}) {
    target->setFocus();
    QTest::keyClick(target, Qt::Key_Return);
    QTest::keyClick(target, Qt::Key_Enter, Qt::ShiftModifier);
  }
  EXPECT_EQ(clicks.count(), 8);
  EXPECT_EQ(returns.count(), 0);

  QTest::keyClick(form.Controls().ListTools, Qt::Key_Down);
  EXPECT_EQ(form.Controls().ListTools->currentRow(), ToolRow(ToolId::kEraser))
      << "other keys reach the control";
  form.Controls().Edit_Mess->setFocus();
  QTest::keyClicks(form.Controls().Edit_Mess, "hi");
  EXPECT_EQ(form.Controls().Edit_Mess->text(), QStringLiteral("hi"));
  EXPECT_EQ(clicks.count(), 8);

  // From the keyboard, the menu bar and its menus take Enter for themselves.
  form.menuBar()->setFocus();
  QTest::keyClick(form.menuBar(), Qt::Key_Return);
  QMenu* menu = form.menuBar()->actions().constFirst()->menu();
  menu->popup(form.mapToGlobal(QPoint(10, 10)));
  ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }));
  QTest::keyClick(menu, Qt::Key_Escape);
  QTest::keyClick(form.menuBar(), Qt::Key_Enter);
  EXPECT_EQ(clicks.count(), 8) << "no message was sent";
  EXPECT_EQ(form.Controls().Edit_Mess->text(), QStringLiteral("hi"));
}

TEST(MainWindow, PictureDialogsNameTheKindsOfFile) {
  for (auto mode : {QFileDialog::AcceptOpen, QFileDialog::AcceptSave}) {
    std::unique_ptr<QFileDialog> dialog(PictureDialog(nullptr, QDir::tempPath(), mode));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    const auto* kinds = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(kinds, nullptr);
    QStringList captions;
    for (int i = 0; i < kinds->count(); ++i) captions.append(kinds->itemText(i));
    EXPECT_EQ(captions, (QStringList{QStringLiteral("BMP-файлы"), QStringLiteral("Все файлы")}));
    EXPECT_EQ(dialog->defaultSuffix(), QStringLiteral("bmp"));
  }
}

}  // namespace
}  // namespace kovra
