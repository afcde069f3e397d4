#include "support/prompt.h"

#include <gtest/gtest.h>

#include "common/scripted_dialogs.h"

namespace kovra {
namespace {

TEST(IntegerPrompt, ConfirmedNumbersOnly) {
  struct Case {
    std::optional<QString> answer;
    bool accepted;
    std::int32_t value;
  };
  const Case cases[] = {
      {QStringLiteral(" 7 "), true, 7},
      {QStringLiteral("-3"), true, -3},
      {QStringLiteral("$10"), true, 16},
      {QStringLiteral("a"), false, 5},
      {QString(), false, 5},
      {std::nullopt, false, 5},
  };
  for (const Case& c : cases) {
    test::ScriptedDialogs dialogs;
    dialogs.text_answers.push_back(c.answer);
    std::int32_t value = 99;
    EXPECT_EQ(AskInteger(dialogs, QStringLiteral("Линия"), QStringLiteral("Толщина"), value, 5),
              c.accepted);
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(dialogs.prompts, QStringList{QStringLiteral("Линия|Толщина|5")});
    EXPECT_TRUE(dialogs.messages.isEmpty()) << "a text that is no number shows nothing";
  }
}

}  // namespace
}  // namespace kovra
