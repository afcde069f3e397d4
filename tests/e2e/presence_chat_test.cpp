// Two and three complete windows in one process, each on its own loopback
// address with its own folder, finding each other and talking.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <QToolButton>

#include "app/chat_lines.h"
#include "app/chat_view.h"
#include "app/correspondent_delegate.h"
#include "app/main_window.h"
#include "app/notice_line.h"
#include "common/loopback.h"
#include "common/test_window.h"
#include "common/window_group.h"
#include "net/correspondents.h"
#include "net/message_history.h"
#include "support/ansi_codec.h"
#include "support/line_file.h"

namespace kovra {
namespace {

using test::ScriptedDialogs;
using test::TestWindow;
using Lines = std::vector<std::string>;
using test::WaitForLines;

using Group = test::WindowGroup;

// The message lines the pane shows, newest (the bottom one) first; the
// pane's own lines of who came and went are left out.
QStringList PaneLines(TForm1& form) {
  QStringList lines;
  const ChatLines& pane = form.Controls().RE_Mess->Lines();
  for (std::size_t line = pane.Count(); line-- > 0;) {
    if (!pane.IsQuiet(line)) lines.append(pane.Text(line));
  }
  return lines;
}

TEST(Presence, SettlesBothWaysAfterStart) {
  Group group(2);
  group[0].WriteFile(QStringLiteral("~ListUser.txt"), "127.0.0.3=No\r\n");
  group[1].WriteFile(QStringLiteral("~ListUser.txt"), "127.0.0.2=No\r\n");
  group.StartAll();
  EXPECT_TRUE(WaitForLines(group[0].Window(), {"127.0.0.3=Yes"}));
  EXPECT_TRUE(WaitForLines(group[1].Window(), {"127.0.0.2=Yes"}));
  EXPECT_TRUE(group[0].Dialogs().errors.isEmpty());
  EXPECT_TRUE(group[1].Dialogs().errors.isEmpty());

  // Closing one marks it absent on the other.
  EXPECT_TRUE(group[1].Window().close());
  EXPECT_TRUE(WaitForLines(group[0].Window(), {"127.0.0.3=No"}));
  EXPECT_EQ(group[1].ReadFile(QStringLiteral("~ListUser.txt")), "127.0.0.2=No\r\n");
}

TEST(Presence, NamesLearnedFromAnnouncementsSurviveACrash) {
  Group group(2);
  group[0].WriteFile(QStringLiteral("~ListUser.txt"), "127.0.0.3=No\r\n");
  group[1].Env().broadcast_addresses = [] { return std::vector<std::string>(); };
  group.StartAll();
  ASSERT_TRUE(WaitForLines(group[1].Window(), {"127.0.0.2=Yes"}));
  // Written within about a second of being heard, not only at the close.
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return group[1].ReadFile(QStringLiteral("~ListUser.txt")) == "127.0.0.2=Yes\r\n"; },
      3000));
  group[1].Crash();
  EXPECT_EQ(group[1].ReadFile(QStringLiteral("~ListUser.txt")), "127.0.0.2=Yes\r\n");

  // An announcement that comes before the list is read is kept in it; one
  // from a computer the list names by its address keeps that line's place.
  group[1].WriteFile(QStringLiteral("~ListUser.txt"), "127.0.0.10=No\r\n127.0.0.2=Yes\r\n");
  test::Collector early(QHostAddress(QStringLiteral("127.0.0.9")), group.Port());
  test::Collector listed(QHostAddress(QStringLiteral("127.0.0.10")), group.Port());
  TForm1& again = group[1].Start(false);
  early.Send("Kovra:>Enter:>EARLY", QHostAddress(QStringLiteral("127.0.0.3")), group.Port());
  listed.Send("Kovra:>Enter:>LISTED", QHostAddress(QStringLiteral("127.0.0.3")), group.Port());
  ASSERT_TRUE(QTest::qWaitFor([&] { return again.UserList().Count() > 1; }));
  ASSERT_TRUE(again.FirstTick()) << "heard before the first tick";
  ASSERT_TRUE(QTest::qWaitFor([&] { return !again.FirstTick(); }));
  EXPECT_TRUE(WaitForLines(again, {"LISTED=Yes", "127.0.0.2=Yes", "EARLY=Yes"}))
      << "the one still there answers";
}

TEST(Presence, AddingACorrespondentAnnouncesToItAlone) {
  Group group(3);
  group.StartAll();
  TForm1& a = group[0].Window();
  group[0].Dialogs().text_answers.push_back(QStringLiteral("  127.0.0.3  "));
  a.ListItems().N6Click();
  EXPECT_EQ(group[0].Dialogs().prompts,
            QStringList{QStringLiteral("Новый корреспондент|Введите имя компьютера|")});
  EXPECT_EQ(HighlightedLine(*a.Controls().ListUser), 0);
  EXPECT_EQ(group[0].ReadFile(QStringLiteral("~ListUser.txt")), "127.0.0.3=No\r\n");
  EXPECT_TRUE(WaitForLines(group[1].Window(), {"127.0.0.2=Yes"}));
  EXPECT_TRUE(WaitForLines(a, {"127.0.0.3=Yes"})) << "the new correspondent answered";
  QTest::qWait(100);
  EXPECT_EQ(group[2].Window().UserList().Count(), 0) << "the third heard nothing";

  // The own name, in any case, and a blank answer change nothing.
  group[0].Dialogs().text_answers = {QStringLiteral("127.0.0.2"), QStringLiteral("   "),
                                     std::nullopt};
  a.ListItems().N6Click();
  a.ListItems().N6Click();
  a.ListItems().N6Click();
  EXPECT_EQ(a.UserList().Lines(), Lines{"127.0.0.3=Yes"});

  // Removing: only the highlighted line, and the file follows.
  a.UserList().Append("OLD=No");
  HighlightLine(*a.Controls().ListUser, 1);
  group[0].Dialogs().confirm_answers = {false};
  a.ListItems().N7Click();
  EXPECT_TRUE(group[0].Dialogs().questions.back().startsWith(
      QStringLiteral("Убрать «OLD» из списка корреспондентов? Kovra перестанет")));
  EXPECT_EQ(a.UserList().Count(), 2) << "kept on a no";
  a.ListItems().N7Click();
  EXPECT_EQ(a.UserList().Lines(), Lines{"127.0.0.3=Yes"});
  EXPECT_EQ(group[0].ReadFile(QStringLiteral("~ListUser.txt")), "127.0.0.3=Yes\r\n");
  a.ListItems().N7Click();  // nothing highlighted now
  EXPECT_EQ(a.UserList().Count(), 1);
}

TEST(Presence, AnnouncingToAllRemarksTheList) {
  Group group(2);
  group.StartAll();
  TForm1& a = group[0].Window();
  for (const char* line : {"127.0.0.3=Yes", "", "127.0.0.9=Yes"}) a.UserList().Append(line);
  group[0].WriteFile(QStringLiteral("~ListUser.txt"), "kept\r\n");
  a.ListItems().N9Click();
  EXPECT_TRUE(WaitForLines(a, {"127.0.0.3=Yes", "", "127.0.0.9=No"}))
      << "only the running copy answered";
  EXPECT_EQ(group[0].ReadFile(QStringLiteral("~ListUser.txt")), "kept\r\n") << "not saved";
  EXPECT_TRUE(WaitForLines(group[1].Window(), {"127.0.0.2=Yes"}));
}

TEST(Chat, TypedMessageReachesEveryPaneAndHistoryInRussian) {
  Group group(3);
  ASSERT_TRUE(group.StartListingEachOther());

  TForm1& a = group[0].Window();
  a.Controls().Edit_Mess->setText(QStringLiteral("  Привет, Ёжик! :> ok  "));
  a.Controls().SpeedButton1->click();
  EXPECT_TRUE(a.Controls().Edit_Mess->text().isEmpty());
  const QString suffix = QStringLiteral("  127.0.0.2> Привет, Ёжик! :> ok");
  EXPECT_TRUE(PaneLines(a)[0].endsWith(suffix)) << PaneLines(a)[0].toStdString();
  for (int i = 1; i < 3; ++i) {
    TForm1& other = group[i].Window();
    ASSERT_TRUE(QTest::qWaitFor([&] { return other.History().Count() == 1; }, 3000));
    EXPECT_EQ(PaneLines(other)[0], PaneLines(a)[0]);
    const Lines saved = ReadLineFile(group[i].Path(QStringLiteral("~Messages.txt")));
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(AnsiToQString(saved[0]), PaneLines(a)[0]);
  }

  // Spaces alone send nothing and stay in the field.
  a.Controls().Edit_Mess->setText(QStringLiteral("   "));
  a.Controls().SpeedButton1->click();
  EXPECT_EQ(a.Controls().Edit_Mess->text(), QStringLiteral("   "));
  EXPECT_EQ(a.History().Count(), 1u);
}

TEST(Chat, HistoryKeepsEarlyMessagesAndShowsTheNewestAtTheBottomAfterRestart) {
  Group group(2);
  group[1].WriteFile(QStringLiteral("~Messages.txt"), "second\r\nfirst\r\n");
  test::Collector peer(QHostAddress(QStringLiteral("127.0.0.9")), group[1].Env().udp_port);
  TForm1& b = group[1].Start(false);
  // Arrives before the first tick has loaded the history.
  peer.Send("Kovra:>Message:>early", QHostAddress(QStringLiteral("127.0.0.3")),
            group[1].Env().udp_port);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !b.FirstTick(); }, 5000));
  EXPECT_EQ(PaneLines(b), (QStringList{QStringLiteral("early"), QStringLiteral("second"),
                                       QStringLiteral("first")}));
  EXPECT_EQ(group[1].ReadFile(QStringLiteral("~Messages.txt")), "early\r\nsecond\r\nfirst\r\n");

  peer.Send("Kovra:>MESSAGE:>", QHostAddress(QStringLiteral("127.0.0.3")), group[1].Env().udp_port);
  ASSERT_TRUE(QTest::qWaitFor([&] { return b.History().Count() == 4; }, 3000));
  EXPECT_TRUE(QTest::qWaitFor([&] {
    return group[1].ReadFile(QStringLiteral("~Messages.txt")) == "\r\nearly\r\nsecond\r\nfirst\r\n";
  }));
  EXPECT_EQ(PaneLines(b)[0], QString());

  // The file keeps the newest line first; the pane shows it at the bottom,
  // and copies selected lines in its own order, top to bottom.
  ChatView* pane = b.Controls().RE_Mess;
  ASSERT_EQ(pane->Lines().Count(), 4u);
  EXPECT_EQ(pane->Lines().Text(0), QStringLiteral("first"));
  pane->SelectLines(2, 0);
  QTest::keyClick(pane, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("first\nsecond\nearly"));
}

TEST(Chat, ALineAPeerWritesIsNeverDrawnAsTheUsersOwnOrAsAStatusAndStatusesComeOneAMessage) {
  Group group(1);
  group.StartAll();
  TForm1& a = group[0].Window();
  ChatView* pane = a.Controls().RE_Mess;
  pane->resize(400, 300);
  auto tinted = [&] {
    const QImage shown = pane->viewport()->grab().toImage();
    int count = 0;
    for (int y = 0; y < shown.height(); ++y) {
      for (int x = 0; x < shown.width(); ++x) count += shown.pixel(x, y) == qRgb(226, 238, 252);
    }
    return count;
  };
  // Built as this copy's own status line and own words would read.
  test::Collector peer(QHostAddress(QStringLiteral("127.0.0.9")), group.Port());
  const std::string forged = "Kovra:>Message:>" + QStringToAnsi(QStringLiteral("доставлено позже ")) +
                             "NSB: 01:43:46  " + group.Name(0) + "> I resign";
  peer.Send(QByteArray::fromStdString(forged), QHostAddress(QStringLiteral("127.0.0.2")),
            group.Port());
  ASSERT_TRUE(QTest::qWaitFor([&] { return a.History().Count() == 1; }, 3000));
  EXPECT_EQ(pane->Lines().OriginOf(0), MessageHistory::Origin::kReceived);
  EXPECT_EQ(tinted(), 0) << "a peer's line on the user's tint";
  a.Controls().Edit_Mess->setText(QStringLiteral("mine"));
  a.Controls().SpeedButton1->click();
  ASSERT_EQ(a.History().Count(), 2u);
  EXPECT_EQ(pane->Lines().OriginOf(1), MessageHistory::Origin::kOwn);
  EXPECT_GT(tinted(), 0) << "the user's own line is tinted";

  // The line left undelivered by 64 copies at once is told in one status
  // line of the program's own, and delivered later to one of them in another.
  const std::string line = a.History().Line(0);
  for (int i = 0; i < 64; ++i) a.Chat().Undelivered("PC" + std::to_string(i), line);
  a.Chat().Undelivered("PC7", line, true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return a.History().Count() == 4; }, 2000));
  QTest::qWait(ChatPane::kStatusGatherMs * 2);
  ASSERT_EQ(a.History().Count(), 4u);
  EXPECT_EQ(AnsiToQString(a.History().Line(1)),
            QStringLiteral("не доставлено PC0, PC1, PC2 и ещё 61: ") + AnsiToQString(line));
  EXPECT_EQ(AnsiToQString(a.History().Line(0)),
            QStringLiteral("доставлено позже PC7: ") + AnsiToQString(line));
  EXPECT_EQ(pane->Lines().OriginOf(2), MessageHistory::Origin::kStatus);
}

TEST(Chat, AnUnwritableHistoryIsToldOnceInTheNoticeLineAndNothingShownIsLost) {
  Group group(1);
  group[0].WriteFile(QStringLiteral("~Messages.txt"), "old\r\n");
  QFile::setPermissions(group[0].Path(QStringLiteral("~Messages.txt")), QFileDevice::ReadOwner);
  group.StartAll();
  TForm1& a = group[0].Window();
  a.Controls().Edit_Mess->setText(QStringLiteral("new"));
  a.Controls().SpeedButton1->click();
  test::Collector peer(QHostAddress(QStringLiteral("127.0.0.9")), group.Port());
  for (const char* text : {"Kovra:>Message:>one", "Kovra:>Message:>two"}) {
    peer.Send(text, QHostAddress(QStringLiteral("127.0.0.2")), group.Port());
  }
  ASSERT_TRUE(QTest::qWaitFor([&] { return a.History().Count() == 4; }, 3000));
  QTest::qWait(1200);  // past the next save
  EXPECT_FALSE(a.Controls().Label_Notice->isHidden());
  EXPECT_TRUE(a.Controls().Label_Notice->text().startsWith(
      QStringLiteral("История сообщений не сохраняется")))
      << a.Controls().Label_Notice->text().toStdString();
  EXPECT_FALSE(a.Controls().Label_Notice->text().endsWith(u')')) << "told once, not counted up";
  EXPECT_TRUE(group[0].Dialogs().errors.isEmpty());
  EXPECT_TRUE(a.Controls().Edit_Mess->text().isEmpty()) << "the message went out";
  EXPECT_EQ(group[0].ReadFile(QStringLiteral("~Messages.txt")), "old\r\n");

  // The close tries once more and says what it could not keep, without a box.
  testing::internal::CaptureStderr();
  EXPECT_TRUE(a.close());
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(group[0].Dialogs().errors.isEmpty());
  EXPECT_NE(said.find("~Messages.txt"), std::string::npos) << said;
}

TEST(Chat, AHistoryThatIsAFolderIsToldOnceAndTheRestStartsAsUsual) {
  Group group(1);
  ASSERT_TRUE(QDir(group[0].Path(QString())).mkdir(QStringLiteral("~Messages.txt")));
  group[0].WriteFile(QStringLiteral("~ListUser.txt"), "127.0.0.9=No\r\n");
  group.StartAll();
  TForm1& a = group[0].Window();
  EXPECT_EQ(a.UserList().Lines(), Lines{"127.0.0.9=No"}) << "the start went on";
  a.Controls().Edit_Mess->setText(QStringLiteral("hello"));
  a.Controls().SpeedButton1->click();
  a.Controls().Edit_Mess->setText(QStringLiteral("again"));
  a.Controls().SpeedButton1->click();
  EXPECT_EQ(a.History().Count(), 2u);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !a.Controls().Label_Notice->isHidden(); }, 3000));
  EXPECT_TRUE(a.Controls().Label_Notice->text().contains(QStringLiteral("~Messages.txt")))
      << a.Controls().Label_Notice->text().toStdString();
  QTest::qWait(1200);
  EXPECT_FALSE(a.Controls().Label_Notice->text().endsWith(u')')) << "told once";
  EXPECT_TRUE(group[0].Dialogs().errors.isEmpty());
  EXPECT_TRUE(group[0].Dialogs().messages.isEmpty());
}

TEST(Chat, CharactersTheCodePageCannotHoldAreToldBeforeSending) {
  Group group(2);
  ASSERT_TRUE(group.StartListingEachOther());
  TForm1& a = group.Form(0);
  TForm1& b = group.Form(1);
  ScriptedDialogs& asked = group[0].Dialogs();

  a.Controls().Edit_Mess->setText(QStringLiteral("Привет, мир"));
  a.Controls().SpeedButton1->click();
  EXPECT_TRUE(asked.questions.isEmpty()) << "Cyrillic travels as it is";

  const QString mixed = QStringLiteral("Привет 😀 über 中文 😀");
  asked.confirm_answers = {false, true};
  a.Controls().Edit_Mess->setText(mixed);
  a.Controls().SpeedButton1->click();
  ASSERT_EQ(asked.questions.size(), 1);
  EXPECT_TRUE(asked.questions[0].contains(QStringLiteral("😀 ü 中 文")))
      << asked.questions[0].toStdString();
  EXPECT_EQ(a.Controls().Edit_Mess->text(), mixed) << "declined: kept to be mended, nothing sent";
  EXPECT_EQ(a.History().Count(), 1u);
  a.Controls().SpeedButton1->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return b.History().Count() == 2; }, 3000));
  EXPECT_TRUE(AnsiToQString(b.History().Line(0)).endsWith(QStringLiteral("> Привет ? ?ber ?? ?")));
}

TEST(Chat, AFloodOfMessagesIsSavedAboutOnceASecondAndWholeAtTheEnd) {
  Group group(1);
  group.StartAll();
  TForm1& a = group[0].Window();
  test::Collector peer(QHostAddress(QStringLiteral("127.0.0.9")), group.Port());
  constexpr int kFlood = 2000;
  for (int i = 0; i < kFlood; ++i) {
    peer.Send("Kovra:>Message:>line " + QByteArray::number(i),
              QHostAddress(QStringLiteral("127.0.0.2")), group.Port());
  }
  ASSERT_TRUE(QTest::qWaitFor([&] { return a.History().Count() == kFlood; }, 5000));
  const auto saved_lines = [&] {
    return ReadLineFile(group[0].Path(QStringLiteral("~Messages.txt"))).size();
  };
  EXPECT_LT(saved_lines(), std::size_t{kFlood}) << "not rewritten after every line";
  EXPECT_TRUE(QTest::qWaitFor([&] { return saved_lines() == std::size_t{kFlood}; }, 3000))
      << "the last lines are saved a moment later";
}

}  // namespace
}  // namespace kovra
