#include "net/command.h"

#include <gtest/gtest.h>

#include "net/command_table.h"

namespace kovra {
namespace {

TEST(CommandEnvelope, BuildTrimsPartsAndCutsAt255) {
  EXPECT_EQ(BuildCommandText(" Kovra ", " Enter", "PC7  "), "Kovra:>Enter:>PC7");
  EXPECT_EQ(BuildCommandText("Kovra", "ImageKV_MouseUp", ""), "Kovra:>ImageKV_MouseUp:>");
  const std::string long_text = BuildCommandText("Kovra", "Message", std::string(400, 'x'));
  EXPECT_EQ(long_text.size(), 255u);
  EXPECT_EQ(long_text.substr(0, 16), "Kovra:>Message:>");
}

TEST(CommandEnvelope, ParseSplitsAtTheFirstTwoMarks) {
  struct Case {
    std::string bytes;
    int number_bytes;
    bool accepted;
    const char* name;
    const char* args;
  };
  const std::string leftovers = std::string("Kovra:>Exit:>PC7") + "LEFTOVER FROM BEFORE";
  const Case cases[] = {
      {"Kovra:>Enter:>PC7", 17, true, "ENTER", "PC7"},
      {"  Kovra :> enter :>  PC7  ", 26, true, "ENTER", "PC7"},
      {"Other:>Exit:>PC7", 16, true, "EXIT", "PC7"},
      {":>Exit:>PC7", 11, true, "EXIT", "PC7"},
      {"Kovra:>Enter", 12, false, "", ""},
      {":>:>PC7", 7, false, "", ""},
      {"Kovra:>Message:>a :> b:>c", 25, true, "MESSAGE", "a :> b:>c"},
      {leftovers, 16, true, "EXIT", "PC7"},
      {std::string("Kovra:>Exit:>PC\0Z", 17), 17, true, "EXIT", "PC"},
      {std::string("\0Kovra:>Exit:>A", 15), 15, false, "", ""},
      {"Kovra:>Enter:>", 14, true, "ENTER", ""},
      {"   ", 3, false, "", ""},
      {"Kovra:>Enter:>X", 0, false, "", ""},
      {"Kovra:>Enter:>X", -1, false, "", ""},
      {"Kovra:>\xE2\xF5\xEE\xE4:>\xFF", 14, true, "\xC2\xD5\xCE\xC4", "\xFF"},
      {"Enter:>PC7", 10, false, "", ""},  // the first mark always ends the tag
  };
  for (const Case& c : cases) {
    const auto parsed = ParseCommandText(c.bytes.data(), c.number_bytes);
    ASSERT_EQ(parsed.has_value(), c.accepted) << c.bytes;
    if (!parsed) continue;
    EXPECT_EQ(parsed->name, c.name) << c.bytes;
    EXPECT_EQ(parsed->args, c.args) << c.bytes;
  }
}

TEST(CommandEnvelope, TableMatchesWithoutRegardToCase) {
  CommandTable table;
  std::vector<std::string> calls;
  table.Set(command::kEnter, [&](const std::string& args) { calls.push_back("enter " + args); });
  table.Set("ImageKV_CursorTo", nullptr);
  table.Set("ENTER", [&](const std::string& args) { calls.push_back("replaced " + args); });
  EXPECT_TRUE(table.Dispatch({"ENTER", "PC1"}));
  EXPECT_TRUE(table.Dispatch({"IMAGEKV_CURSORTO", "1 2"}));
  EXPECT_FALSE(table.Dispatch({"NOSUCH", ""}));
  EXPECT_FALSE(table.Dispatch({"Enter", "x"})) << "received names arrive upper-cased";
  EXPECT_EQ(calls, std::vector<std::string>{"replaced PC1"});
}

}  // namespace
}  // namespace kovra
