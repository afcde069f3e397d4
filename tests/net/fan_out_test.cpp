// The fan-out walk on its own: a real endpoint on loopback, a list, and no
// window.
#include "net/fan_out.h"

#include <gtest/gtest.h>

#include <QHostAddress>

#include "common/loopback.h"
#include "common/scripted_dialogs.h"
#include "net/correspondents.h"
#include "net/udp_endpoint.h"

namespace kovra {
namespace {

TEST(FanOutWalk, StepsThroughEveryLineAndSendsToThePresentOnly) {
  const quint16 port = test::FreeUdpPort();
  TUdpEndpoint endpoint(nullptr, QHostAddress(QStringLiteral("127.0.0.1")), port);
  test::Collector present(QHostAddress(QStringLiteral("127.0.0.41")), port);
  test::Collector absent(QHostAddress(QStringLiteral("127.0.0.42")), port);
  Correspondents list;
  for (const char* line : {"127.0.0.41=yes", "127.0.0.42=No", ""}) list.Append(line);
  test::ScriptedDialogs dialogs;
  FanOut fan_out(endpoint, list, dialogs);
  std::vector<int> steps;
  fan_out.OnStep = [&](int row) { steps.push_back(row); };

  EXPECT_EQ(fan_out.SendToCorrespondents("Message", "hello", false), 1);
  EXPECT_EQ(steps, (std::vector<int>{0, 1, 2})) << "every line, the nameless one too";
  ASSERT_TRUE(present.WaitFor(1));
  EXPECT_EQ(present.Received()[0], "Kovra:>Message:>hello");
  EXPECT_EQ(fan_out.SendToCorrespondents("Exit", "ME", true), 2) << "all named lines";
  ASSERT_TRUE(absent.WaitFor(1));
  EXPECT_TRUE(dialogs.messages.isEmpty()) << "a nameless line is passed over silently";

  // A line whose name is a broadcast address, however written, reaches nobody.
  for (const char* line : {"4294967295=Yes", "0xffffffff=Yes", "255.255.255.0377=Yes"}) {
    list.Append(line);
  }
  EXPECT_EQ(fan_out.SendToCorrespondents("IamToo", "ME", false), 1);

  EXPECT_FALSE(fan_out.SendCommand("  ", "Enter", "ME"));
  EXPECT_EQ(dialogs.messages,
            QStringList{QStringLiteral("Имя компьютера Вашего Корреспондента - не задано !!!")});
}

}  // namespace
}  // namespace kovra
