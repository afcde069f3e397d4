// The window as a user meets it on the desktop: Russian throughout, nothing
// clipped, told what happens, and where it was left at the next start; and
// the program's start and end as the session sees them.
#include "app/desktop.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QFontDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <csignal>
#include <map>

#ifdef _WIN32
#include <windows.h>

#include <QAbstractEventDispatcher>
#endif

#include "app/main_window.h"
#include "app/notice_line.h"
#include "app/qt_dialogs.h"
#include "board/board_view.h"
#include "board/drawing_commands.h"
#include "common/loopback.h"
#include "common/test_window.h"
#include "common/window_group.h"

namespace kovra {
namespace {

using test::ShowAt;
using test::TestWindow;

// The session ends as the system ends it: SIGTERM, or on Windows the two
// messages of a logoff, as the window would be given them.
void EndTheSession() {
#ifdef _WIN32
  for (const UINT message : {WM_QUERYENDSESSION, WM_ENDSESSION}) {
    MSG msg = {};
    msg.message = message;
    msg.wParam = TRUE;
    msg.lParam = ENDSESSION_LOGOFF;
    qintptr result = 0;
    QAbstractEventDispatcher::instance()->filterNativeEvent("windows_generic_MSG", &msg, &result);
  }
#else
  std::raise(SIGTERM);
#endif
}

TEST(Desktop, DialogsDatesAndColourNamesAreRussian) {
  TestWindow test;
  TForm1& form = test.Start();
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d$"))
                  .match(form.Controls().Label_DT->text())
                  .hasMatch())
      << form.Controls().Label_DT->text().toStdString();

  // Qt's own buttons and dialogs, from its translations.
  QDialogButtonBox buttons(QDialogButtonBox::Cancel | QDialogButtonBox::Yes);
  EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Отмена"));
  EXPECT_EQ(buttons.button(QDialogButtonBox::Yes)->text(), QStringLiteral("&Да"));
  // And what the translation leaves in English.
  QDialogButtonBox ok(QDialogButtonBox::Ok);
  EXPECT_EQ(ok.button(QDialogButtonBox::Ok)->text(), QStringLiteral("ОК"));
  QColorDialog colour;
  QStringList latin;
  for (const QLabel* label : colour.findChildren<QLabel*>()) {
    if (label->text().contains(QRegularExpression(QStringLiteral("[A-Za-z]{2}")))) {
      latin.append(label->text());
    }
  }
  EXPECT_TRUE(latin.isEmpty()) << latin.join(u',').toStdString();
  // Each Alt letter the dialog shows leads to one control.
  QStringList shown;
  for (const QWidget* widget : colour.findChildren<QWidget*>()) {
    if (!widget->isVisibleTo(&colour)) continue;
    if (const auto* label = qobject_cast<const QLabel*>(widget)) shown.append(label->text());
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
      shown.append(button->text());
    }
  }
  std::map<QChar, QStringList> by_letter;
  for (const QString& text : shown) {
    const qsizetype amp = text.indexOf(QRegularExpression(QStringLiteral("&[^&]")));
    if (amp >= 0) by_letter[text.at(amp + 1).toLower()].append(text);
  }
  EXPECT_GE(by_letter.size(), 8u);
  for (const auto& [letter, texts] : by_letter) {
    EXPECT_EQ(texts.size(), 1) << texts.join(u',').toStdString();
  }
  std::unique_ptr<QFileDialog> save(PictureDialog(&form, test.Path({}), QFileDialog::AcceptSave));
  EXPECT_EQ(save->windowTitle(), QStringLiteral("Сохранить как"));

  // The font dialog's colours by their Russian names, each with its swatch.
  QtDialogs dialogs;
  QStringList captions;
  bool swatches = true;
  QString family;
  bool italic = true;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    auto* fonts = dialog->findChild<QFontDialog*>();
    family = fonts->currentFont().family();
    italic = fonts->currentFont().italic();
    auto* colors = dialog->findChild<QComboBox*>(QStringLiteral("ComboColor"));
    ASSERT_NE(colors, nullptr);
    for (int i = 0; i < colors->count(); ++i) {
      captions.append(colors->itemText(i));
      swatches = swatches && !colors->itemIcon(i).isNull();
    }
    // A face of the family that the dialog names by a style of its own.
    fonts->setCurrentFont(
        QFontDatabase::font(QStringLiteral("DejaVu Sans"), QStringLiteral("Condensed"), 12));
    dialog->accept();
  });
  const std::optional<FontChoice> chosen = dialogs.ChooseFont(form.ToolColumn().TextFont());
  EXPECT_EQ(family.toStdString(), form.Controls().Label_Font->text().toStdString())
      << "the family the font panel names";
  EXPECT_FALSE(italic) << "opened on the font's own face, not the family's first";
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(drawing::SetFont::From(*chosen).Build(), "12|clWindowText|DejaVu Sans|");
  EXPECT_TRUE(chosen->font.styleName().isEmpty()) << "drawn here as on the wire";
  ASSERT_EQ(captions.size(), 17);
  EXPECT_EQ(captions.front(), QStringLiteral("Цвет текста окна")) << "the font's own colour first";
  EXPECT_TRUE(captions.contains(QStringLiteral("Бордовый")));
  EXPECT_TRUE(captions.filter(QRegularExpression(QStringLiteral("[A-Za-z]"))).isEmpty())
      << captions.join(u',').toStdString();
  EXPECT_TRUE(swatches);
}

TEST(Desktop, TheWindowTellsWhatHappens) {
  test::WindowGroup group(3);
  ASSERT_TRUE(group.StartListingEachOther());
  TForm1& a = group.Form(0);
  TForm1& b = group.Form(1);

  // Ready to type, and told how much room is left.
  EXPECT_EQ(a.focusWidget(), a.Controls().Edit_Mess);
  EXPECT_EQ(a.Controls().Label_Left->text(), QStringLiteral("128"));
  QTest::keyClicks(a.Controls().Edit_Mess, QStringLiteral("  hi there"));
  EXPECT_EQ(a.Controls().Label_Left->text(), QStringLiteral("120"))
      << "the spaces around are not sent";
  // What goes past the limit is refused, as the code page counts: a
  // character outside it (two halves here) is one "?" there.
  a.Controls().Edit_Mess->setText(QString(126, u'x') + QStringLiteral("\U0001F600ж") +
                                  QStringLiteral("yz"));
  EXPECT_EQ(a.Controls().Edit_Mess->text(), QString(126, u'x') + QStringLiteral("\U0001F600ж"));
  EXPECT_EQ(a.Controls().Label_Left->text(), QStringLiteral("0"));

  // Messages that come while the window is not the active one are counted
  // in its title until it is activated.
  a.Controls().Edit_Mess->setText(QStringLiteral("раз"));
  a.Chat().SpeedButton1Click();
  a.Controls().Edit_Mess->setText(QStringLiteral("два"));
  a.Chat().SpeedButton1Click();
  EXPECT_TRUE(QTest::qWaitFor([&] { return b.windowTitle() == QStringLiteral("(2) Kovra"); }))
      << b.windowTitle().toStdString();
  EXPECT_EQ(a.windowTitle(), QStringLiteral("Kovra")) << "one's own messages are not news";
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(&b, &activate);
  EXPECT_EQ(b.windowTitle(), QStringLiteral("Kovra"));

  // Asking everyone says how many were asked, then how many answered.
  group[2].Crash();
  a.ListItems().N9Click();
  EXPECT_EQ(a.Controls().Label_Notice->text(),
            QStringLiteral("Спрошено компьютеров: 2, ждём ответов…"));
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        return a.Controls().Label_Notice->text() ==
               QStringLiteral("Спрошено компьютеров: 2, ответили: 1");
      },
      4000))
      << a.Controls().Label_Notice->text().toStdString();

  // A drag while drawing is off says once what to tick.
  a.Controls().CB_YesPaint->click();
  ASSERT_FALSE(a.Controls().CB_YesPaint->isChecked());
  auto drag = [&] {
    QTest::mousePress(a.Controls().Image_KV, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QMouseEvent move(QEvent::MouseMove, QPoint(40, 40),
                     a.Controls().Image_KV->mapToGlobal(QPoint(40, 40)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(a.Controls().Image_KV, &move);
    QTest::mouseRelease(a.Controls().Image_KV, Qt::LeftButton, Qt::NoModifier, QPoint(40, 40));
  };
  const QString tick =
      QStringLiteral("Чтобы рисовать, выберите инструмент или поставьте «Жажду рисовать !!!»");
  drag();
  EXPECT_EQ(a.Controls().Label_Notice->text(), tick);
  a.Controls().Label_Notice->hide();  // clicked away
  drag();
  EXPECT_TRUE(a.Controls().Label_Notice->isHidden()) << "once, not at every drag";
  drag();
  EXPECT_EQ(a.Controls().Label_Notice->text(), tick);
  a.Controls().CB_YesPaint->click();
  EXPECT_TRUE(a.Controls().Label_Notice->isHidden()) << "the hint goes once the box is ticked";
  a.Controls().CB_YesPaint->click();
  drag();
  EXPECT_EQ(a.Controls().Label_Notice->text(), tick)
      << "told again after the box was ticked and unticked";
  EXPECT_FALSE(a.Controls().Image_KV->toolTip().isEmpty());
}

TEST(Desktop, TheWindowsPlaceAndSplittersSurviveARestart) {
  TestWindow test;
  int pane_height = 0;
  {
    TForm1& form = test.Start();
    ShowAt(form, QSize(780, 650));
    auto* page = qobject_cast<QSplitter*>(form.Controls().Panel2->parentWidget());
    ASSERT_NE(page, nullptr);
    page->setSizes({300, 250});  // a taller message pane
    QTest::qWait(50);
    pane_height = form.Controls().GroupBox1->height();
    EXPECT_GE(pane_height, 200);
    EXPECT_TRUE(form.close());
  }
  TForm1& again = test.Start();
  again.show();
  QTest::qWait(50);
  EXPECT_EQ(again.size(), QSize(780, 650));
  EXPECT_FALSE(again.isMaximized());
  EXPECT_EQ(again.Controls().GroupBox1->height(), pane_height)
      << "the message pane stays as it was made";
}

TEST(Desktop, AWindowPlaceBeyondTheScreenIsBroughtOntoIt) {
  TestWindow test;
  {
    QMainWindow elsewhere;
    elsewhere.setGeometry(-50000, 70000, 60000, 60000);
    QSettings place(test.Path(QStringLiteral("~Window.ini")), QSettings::IniFormat);
    place.setValue(QStringLiteral("Window/Geometry"), elsewhere.saveGeometry());
  }
  // Shown before the first tick restores its place, as the program does.
  TForm1& form = test.Start(false);
  form.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !form.FirstTick(); }));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  const QRect available = form.screen()->availableGeometry();
  EXPECT_TRUE(available.contains(form.frameGeometry()))
      << form.frameGeometry().x() << "," << form.frameGeometry().y() << " "
      << form.frameGeometry().width() << "x" << form.frameGeometry().height();
  form.repaint();  // a window far larger than the screen crashed its first paint
  EXPECT_TRUE(test::ScreenShowsBoard(form));
  EXPECT_TRUE(form.close());

  // The same size kept behind a maximized window: shown normal, it fits too.
  {
    QMainWindow maximized;
    maximized.setGeometry(-50000, 70000, 60000, 60000);
    maximized.setWindowState(Qt::WindowMaximized);
    QSettings place(test.Path(QStringLiteral("~Window.ini")), QSettings::IniFormat);
    place.setValue(QStringLiteral("Window/Geometry"), maximized.saveGeometry());
  }
  TForm1& again = test.Start(false);
  again.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !again.FirstTick(); }));
  again.showNormal();
  QTest::qWait(50);
  EXPECT_TRUE(available.contains(again.frameGeometry()))
      << again.frameGeometry().width() << "x" << again.frameGeometry().height();
  again.repaint();
}

TEST(Desktop, InterruptedSavesAreRemovedAtStartAndNothingElse) {
  TestWindow test;
  const QStringList leftovers = {QStringLiteral("~kv.bmp.kovra-save-AbC123"),
                                 QStringLiteral("~ListUser.txt.kovra-save-x1Y2z3"),
                                 QStringLiteral("~Messages.txt.kovra-save-000000"),
                                 QStringLiteral("BMP/picture.BMP.kovra-save-Qw12er"),
                                 QStringLiteral("~!789-2.~~~")};
  const QStringList kept = {
      QStringLiteral("notes.txt.abcdef"),     QStringLiteral("~kv.bmp.abc"),
      QStringLiteral("~Messages.txt.backup"), QStringLiteral("~ListUser.txt.backup"),
      QStringLiteral("~kv.bmp.old001"),       QStringLiteral("BMP/plan.bmp.backup"),
      QStringLiteral("BMP/peer-name.Zx98yu"), QStringLiteral("~ListUser.txt")};
  QDir().mkpath(test.Path(QStringLiteral("BMP")));
  for (const QString& name : leftovers + kept) test.WriteFile(name, "x");
  test.WriteFile(QStringLiteral("~!789-2.~~~"), QByteArray());  // a probe is empty
  test.Start();
  for (const QString& name : leftovers)
    EXPECT_FALSE(QFile::exists(test.Path(name))) << name.toStdString();
  for (const QString& name : kept)
    EXPECT_TRUE(QFile::exists(test.Path(name))) << name.toStdString();
}

TEST(Desktop, ASignalClosesTheWindowAsItsCloseBoxWould) {
  TestWindow test("SIGPC", QStringLiteral("127.0.0.40"));
  test::Collector peer(QHostAddress(QStringLiteral("127.0.0.41")), test.Env().udp_port);
  test.WriteFile(QStringLiteral("~ListUser.txt"), "127.0.0.41=Yes\r\n");
  TForm1& form = test.Start();
  form.show();
  ASSERT_TRUE(peer.WaitFor(1));  // the greeting
  {
    const CloseOnSignals session_end(&form);
    // With a box open, as when the session ends during a prompt: the box
    // goes as its Cancel would, or after 5 s here, which fails.
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Kovra"), QStringLiteral("?"),
                    QMessageBox::Ok, &form);
    QTimer::singleShot(0, [] { EndTheSession(); });
    QTimer::singleShot(5000, &box, [&box] { box.done(99); });
    EXPECT_NE(box.exec(), 99);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form.isVisible(); }));
  }
  EXPECT_TRUE(QFile::exists(test.Path(QStringLiteral("~kv.bmp"))));
  EXPECT_EQ(test.ReadFile(QStringLiteral("~ListUser.txt")), "127.0.0.41=No\r\n");
  ASSERT_TRUE(peer.WaitFor(2));
  EXPECT_EQ(peer.Received().back(), "Kovra:>Exit:>SIGPC");
}

TEST(Desktop, NamesThatResolveNowhereNeverHoldTheStartOrTheEnd) {
  TestWindow test("ME");
  test.Env().resolve_host = [](const QString&) -> std::optional<quint32> { return std::nullopt; };
  test.WriteFile(QStringLiteral("~ListUser.txt"), "PCB=No\r\nGONE.invalid=Yes\r\n");
  TForm1& form = test.Start();
  form.show();
  // The list's names are told in the notice line, not in boxes to answer.
  EXPECT_TRUE(test.Dialogs().messages.isEmpty())
      << test.Dialogs().messages.join(u'|').toStdString();
  EXPECT_TRUE(form.Controls().Label_Notice->text().contains(QStringLiteral("не найден в сети")))
      << form.Controls().Label_Notice->text().toStdString();
  // A name the user has just typed still gets its box.
  test.Dialogs().text_answers = {QStringLiteral("TYPO")};
  form.ListItems().N6Click();
  EXPECT_EQ(test.Dialogs().messages,
            QStringList{QStringLiteral("Компьютер «TYPO» не найден в сети")});

  const QStringList shown_before = test.Dialogs().messages + test.Dialogs().errors;
  QElapsedTimer closing;
  {
    const CloseOnSignals session_end(&form);
    closing.start();
    EndTheSession();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.isVisible(); }, 5000));
  }
  EXPECT_LT(closing.elapsed(), 1000);
  EXPECT_EQ(test.Dialogs().messages + test.Dialogs().errors, shown_before)
      << "the goodbyes that cannot go out are skipped without a word";
  EXPECT_EQ(test.ReadFile(QStringLiteral("~ListUser.txt")),
            "PCB=No\r\nGONE.invalid=No\r\nTYPO=No\r\n");

  // A board a crash left empty stops the start with its report; the end
  // still comes at once, with the list saved.
  TestWindow broken("ME");
  broken.Env().resolve_host = [](const QString&) -> std::optional<quint32> { return std::nullopt; };
  broken.WriteFile(QStringLiteral("~ListUser.txt"), "PCB=Yes\r\n");
  broken.WriteFile(QStringLiteral("~kv.bmp"), QByteArray());
  TForm1& again = broken.Start();
  again.show();
  EXPECT_EQ(broken.Dialogs().errors.size(), 1);
  {
    const CloseOnSignals session_end(&again);
    closing.restart();
    EndTheSession();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !again.isVisible(); }, 5000));
  }
  EXPECT_LT(closing.elapsed(), 1000);
  EXPECT_EQ(broken.Dialogs().errors.size() + broken.Dialogs().messages.size(), 1);
  EXPECT_EQ(broken.ReadFile(QStringLiteral("~ListUser.txt")), "PCB=No\r\n");
}

#ifndef _WIN32  // a Windows program always has its desktop
TEST(Desktop, WithoutADisplayTheProgramSaysSoInOneLine) {
  for (const QString& display : {QString(), QStringLiteral(":93")}) {
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
      environment.remove(QString::fromLatin1(name));
    if (!display.isEmpty()) environment.insert(QStringLiteral("DISPLAY"), display);
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(KOVRA_BINARY), {});
    ASSERT_TRUE(program.waitForFinished(20000));
    EXPECT_EQ(program.exitCode(), 1);
    const QString said = QString::fromUtf8(program.readAllStandardError());
    EXPECT_EQ(said, QString::fromUtf8(kNeedsDesktop) + u'\n') << said.toStdString();
  }
}
#endif

}  // namespace
}  // namespace kovra
