// The received-command table of a real window, row by row: every command the
// program reads is there, in the order names are compared, and each row's
// argument type reads back exactly the text a sender writes for it.
#include <gtest/gtest.h>

#include <map>

#include "app/main_window.h"
#include "common/test_window.h"

namespace kovra {
namespace {

TEST(ReceivedCommands, EveryRowReadsBackTheArgumentTextItsSenderWrites) {
  test::TestWindow test;
  TForm1& form = test.Start(false);
  // The argument text of each command as senders write it. A new row
  // without its case here fails below.
  const std::map<std::string, std::string> written = {
      {"NEWKV", "602 385"},
      {"IMAGEKV_LOAD", ""},
      {"IMAGEKV_SAVE", ""},
      {"IMAGEKV_LOADFROMFILE", "\xCF\xEB\xE0\xED.bmp"},
      {"IMAGEKV_SAVETOFILE", "plan 2.bmp"},
      {"IMAGEKV_MOVETO", "-5 7"},
      {"IMAGEKV_MOUSEUP", ""},
      {"IMAGEKV_LINETO", "30 10 2 clWhite"},
      {"IMAGEKV_LINEFROMTO", "10 20 100 20 1 clRed"},
      {"IMAGEKV_RECTANGLE", "30 30 30 30 4 $00123456"},
      {"IMAGEKV_RECTANGLEFILL", "120 20 160 60 1 clRed clWhite"},
      {"IMAGEKV_ELLIPSE", "60 60 100 100 1 clRed clBlue"},
      {"IMAGEKV_ELLIPSEFILL", "20 100 -60 140 9 clRed clBlue"},
      {"IMAGEKV_FLOODFILL", "30 30 clLime clWhite"},
      {"IMAGEKV_SETFONT", "14|clNavy|DejaVu Serif|BI|"},
      {"IMAGEKV_TEXTOUT", "80|80|clLime|\xCF\xF0\xE8\xE2\xE5\xF2"},
      {"KVPASTE", std::string("64 0 2 1 \x78\x9C=@:>\xFF=`", 18)},
      {"IMAGEKV_CURSORTO", "110 105"},
      {"ENTER", "PC7"},
      {"IAMTOO", "PC7"},
      {"EXIT", "PC7"},
      {"MESSAGE", "PC7 : \xEF\xF0\xE8\xE2\xE5\xF2 :> |x|"},
  };
  std::vector<std::string> names;
  for (const CommandTable::Row& row : form.Commands().Rows()) {
    names.push_back(row.upper_name);
    ASSERT_NE(row.reread, nullptr) << row.upper_name << ": a row without its argument type";
    ASSERT_TRUE(row.handler) << row.upper_name;
    const auto found = written.find(row.upper_name);
    ASSERT_NE(found, written.end()) << row.upper_name << " has no case in this test";
    EXPECT_EQ(row.reread(found->second), found->second) << row.upper_name;
  }
  const std::vector<std::string> in_order = {"NEWKV",
                                             "IMAGEKV_LOAD",
                                             "IMAGEKV_SAVE",
                                             "IMAGEKV_LOADFROMFILE",
                                             "IMAGEKV_SAVETOFILE",
                                             "IMAGEKV_MOVETO",
                                             "IMAGEKV_MOUSEUP",
                                             "IMAGEKV_LINETO",
                                             "IMAGEKV_LINEFROMTO",
                                             "IMAGEKV_RECTANGLE",
                                             "IMAGEKV_RECTANGLEFILL",
                                             "IMAGEKV_ELLIPSE",
                                             "IMAGEKV_ELLIPSEFILL",
                                             "IMAGEKV_FLOODFILL",
                                             "IMAGEKV_SETFONT",
                                             "IMAGEKV_TEXTOUT",
                                             "KVPASTE",
                                             "IMAGEKV_CURSORTO",
                                             "ENTER",
                                             "IAMTOO",
                                             "EXIT",
                                             "MESSAGE"};
  EXPECT_EQ(names, in_order);
}

}  // namespace
}  // namespace kovra
