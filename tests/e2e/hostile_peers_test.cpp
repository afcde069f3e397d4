// A window under attack from a host on its LAN: whatever arrives, it stays
// usable, sends no flood of its own, and closes with its state saved.
#include <gtest/gtest.h>

#include <QTest>

#include "app/main_window.h"
#include "app/notice_line.h"
#include "common/loopback.h"
#include "common/test_window.h"
#include "net/correspondents.h"
#include "net/presence.h"

namespace kovra {
namespace {

using test::Collector;
using test::TestWindow;

TEST(HostilePeers, PresenceDatagramsNeitherLockTheWindowInNorAmplify) {
  TestWindow test("ME");
  test.Env().resolve_host = [](const QString&) -> std::optional<quint32> { return std::nullopt; };
  TForm1& form = test.Start();
  const quint16 port = test.Env().udp_port;
  const QHostAddress window(QStringLiteral("127.0.0.1"));
  Collector attacker(QHostAddress(QStringLiteral("127.0.0.9")), port);

  for (const char* nobody :
       {"Kovra:>Enter:>", "Kovra:>Enter:>   ", "Kovra:>IamToo:>", "Kovra:>Exit:>"}) {
    attacker.Send(nobody, window, port);
  }
  // Names that look like one address to a lax reader, each a new line.
  constexpr int kEnters = 1000;
  for (int i = 0; i < kEnters; ++i) {
    attacker.Send("Kovra:>Enter:>10.0.0.2 #" + QByteArray::number(i), window, port);
    if (i % 200 == 0) QCoreApplication::processEvents();
  }
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return form.UserList().Count() == static_cast<int>(Presence::kMaxLearnedLines); },
      5000));
  QTest::qWait(1500);  // the answer put off for those that came later
  EXPECT_EQ(form.UserList().Line(0), "10.0.0.2 #0=Yes") << "no line for an empty name";
  EXPECT_TRUE(form.Label_Notice->text().contains(QStringLiteral("полон")))
      << form.Label_Notice->text().toStdString();
  attacker.WaitFor(1);
  EXPECT_LE(attacker.Received().size(), 3 * Presence::kMaxLearnedLines)
      << "a few answers to the whole list, not one per datagram";
  EXPECT_TRUE(test.Dialogs().messages.isEmpty());
  EXPECT_TRUE(test.Dialogs().errors.isEmpty());

  form.show();
  EXPECT_TRUE(form.close());
  EXPECT_FALSE(form.isVisible());
  EXPECT_TRUE(test.ReadFile(QStringLiteral("~ListUser.txt")).startsWith("10.0.0.2 #0=No\r\n"));
}

}  // namespace
}  // namespace kovra
