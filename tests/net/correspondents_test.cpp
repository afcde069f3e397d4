#include "net/correspondents.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "support/error_guard.h"
#include "support/line_file.h"

namespace kovra {
namespace {

using Lines = std::vector<std::string>;

TEST(CorrespondentFile, ReadingSplitsAtEveryLineEndAndStopsAtZero) {
  struct Case {
    std::string bytes;
    Lines expected;
  };
  const Case cases[] = {
      {"", {}},
      {"PC1=Yes", {"PC1=Yes"}},
      {"PC1=Yes\r\nPC2=No\r\n", {"PC1=Yes", "PC2=No"}},
      {"a\nb\rc\r\nd", {"a", "b", "c", "d"}},
      {"\r\n\r\n", {"", ""}},
      {"a\n\rb", {"a", "", "b"}},
      {"a\r\rb\r", {"a", "", "b"}},
      {std::string("a\r\nb\0c\r\nd", 9), {"a", "b"}},
      {std::string("\0a", 2), {}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitLines(c.bytes), c.expected);
}

TEST(CorrespondentFile, SaveWritesCrLfAfterEveryLineAndLoadsBack) {
  QTemporaryDir dir;
  const QString path = dir.path() + QStringLiteral("/~ListUser.txt");
  Correspondents list;
  list.Append("PC1=Yes");
  list.Append("");
  list.Append("\xCF\xCA=No");  // Russian name in Windows-1251
  list.Save(path);
  EXPECT_FALSE(QFile::exists(path)) << "never saved before it was loaded";
  list.MarkLoaded();
  list.Save(path);
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), QByteArray("PC1=Yes\r\n\r\n\xCF\xCA=No\r\n"));

  Correspondents loaded;
  loaded.Load(path);
  EXPECT_EQ(loaded.Lines(), list.Lines());
  EXPECT_EQ(loaded.data(loaded.index(2), Qt::DisplayRole).toString(), QStringLiteral("ПК=No"));
}

TEST(CorrespondentFile, FailedSaveRaisesAndKeepsTheOldFile) {
  QTemporaryDir dir;
  const QString path = dir.path() + QStringLiteral("/~ListUser.txt");
  WriteLineFile(path, {"OLD=Yes"});
  QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadUser);
  EXPECT_THROW(WriteLineFile(path, {"NEW=No"}), Error);
  EXPECT_EQ(ReadLineFile(path), Lines{"OLD=Yes"});

  EXPECT_THROW(WriteLineFile(dir.path() + QStringLiteral("/missing/x.txt"), {"a"}), Error);
  EXPECT_THROW(ReadLineFile(dir.path() + QStringLiteral("/missing.txt")), Error);
}

TEST(CorrespondentList, MarkAllAbsentKeepsNamelessLines) {
  // "=Yes" has the name "Yes": the leading "=" is stripped before words are counted.
  Correspondents list;
  for (const char* line : {"PC1=Yes", "PC2=No", "", "  pc3 =Yes", "=Yes", "PC4"}) list.Append(line);
  list.MarkAllAbsent();
  EXPECT_EQ(list.Lines(), (Lines{"PC1=No", "PC2=No", "", "pc3=No", "Yes=No", "PC4=No"}));
  EXPECT_EQ(Correspondents::NameOf(" pc5 = yes "), "pc5");
  EXPECT_EQ(Correspondents::ValueOf(" pc5 = yes "), "yes");
}

TEST(CorrespondentList, HasNoCheckMarksAndTheViewCannotChangeTheText) {
  Correspondents list;
  list.Append("A=Yes");
  list.Append("B=No");
  EXPECT_FALSE(list.flags(list.index(1)) & Qt::ItemIsUserCheckable);
  EXPECT_FALSE(list.data(list.index(1), Qt::CheckStateRole).isValid());
  EXPECT_FALSE(list.setData(list.index(1), QStringLiteral("X"), Qt::EditRole));
  EXPECT_EQ(list.PresentNames(), std::vector<std::string>{"A"});
  list.Remove(0);
  EXPECT_EQ(list.Lines(), Lines{"B=No"});
  list.Remove(5);  // out of range: nothing happens
  EXPECT_EQ(list.Count(), 1);
}

TEST(CorrespondentList, SetPresenceMatchesTheUntrimmedNameIgnoringCase) {
  struct Case {
    Lines before;
    const char* name;
    const char* value;
    int index;
    Lines after;
  };
  const Case cases[] = {
      {{}, "PC9", "Yes", 0, {"PC9=Yes"}},
      {{"PC1=Yes"}, "PC9", "No", 1, {"PC1=Yes", "PC9=No"}},
      {{"pc1=No"}, "PC1", "Yes", 0, {"PC1=Yes"}},
      {{"PC1 =No"}, "PC1", "Yes", 1, {"PC1 =No", "PC1=Yes"}},
      {{"PC1"}, "PC1", "Yes", 1, {"PC1", "PC1=Yes"}},
      {{"A=No", "a=No"}, "A", "Yes", 0, {"A=Yes", "a=No"}},
      {{"=No"}, "", "Yes", 0, {"=Yes"}},
      {{"X=Yes"}, "", "No", 1, {"X=Yes", "=No"}},
      // Windows-1251: "пк" matches "ПК"; "ё" matches "Ё".
      {{"\xEF\xEA\xB8=No"}, "\xCF\xCA\xA8", "Yes", 0, {"\xCF\xCA\xA8=Yes"}},
      {{"A=B=No"}, "A=B", "Yes", 1, {"A=B=No", "A=B=Yes"}},
  };
  for (const Case& c : cases) {
    Correspondents list;
    for (const auto& line : c.before) list.Append(line);
    EXPECT_EQ(list.SetPresence(c.name, c.value), c.index) << c.name;
    EXPECT_EQ(list.Lines(), c.after) << c.name;
  }
}

}  // namespace
}  // namespace kovra
