#include "net/message_history.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "support/ansi_codec.h"
#include "support/line_file.h"

namespace kovra {
namespace {

TEST(MessageLine, TimeNameAndTrimmedTextCutAt128Characters) {
  EXPECT_EQ(BuildMessageLine("12:00:01", "PC1", "  hello  "), "12:00:01  PC1> hello");
  EXPECT_EQ(BuildMessageLine("12:00:01", "PC1", "    "), "");
  EXPECT_EQ(BuildMessageLine("t", "PC1", ""), "");

  // 300 Russian letters: 128 of them are kept, one byte each.
  const QString russian = QString(300, QChar(0x0416));  // Zhe
  const std::string line =
      BuildMessageLine("t", "PC", QStringToAnsi(QStringLiteral("  ") + russian));
  EXPECT_EQ(line, "t  PC> " + std::string(128, '\xC6'));
  EXPECT_EQ(AnsiToQString(line).right(128), russian.left(128));

  // The receiver reads the sender's name back, whatever the text holds.
  EXPECT_EQ(MessageSenderName(BuildMessageLine("12:00:01", "UXB", "a>  b> c")), "UXB");
  EXPECT_EQ(MessageSenderName(BuildMessageLine("1:02:03 PM", "UXB", "x")), "UXB");
  EXPECT_EQ(MessageSenderName("no name here"), "");
}

TEST(MessageHistoryFile, NewestFirstAcrossSaveAndLoad) {
  QTemporaryDir dir;
  const QString path = dir.path() + QStringLiteral("/~Messages.txt");
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("newest\r\nmiddle\nolder\roldest");  // mixed line ends
  }
  MessageHistory history;
  history.Add("early one");
  history.Save(path);  // not loaded yet: the stored history stays as it is
  EXPECT_EQ(ReadLineFile(path), (std::vector<std::string>{"newest", "middle", "older", "oldest"}));

  history.Load(path);
  history.Add("latest\r\nsecond line");
  ASSERT_EQ(history.Count(), 7u);
  EXPECT_EQ(history.Line(0), "latest");
  EXPECT_EQ(history.Line(1), "second line");
  EXPECT_EQ(history.Line(2), "early one");
  EXPECT_EQ(history.Line(3), "newest");
  EXPECT_EQ(history.data(history.index(6), Qt::DisplayRole).toString(), QStringLiteral("oldest"));
  history.Save(path);
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(),
            "latest\r\nsecond line\r\nearly one\r\nnewest\r\nmiddle\r\nolder\r\noldest\r\n");

  MessageHistory empty_line;
  empty_line.MarkLoaded();
  EXPECT_EQ(empty_line.Add(""), 1u);
  EXPECT_EQ(empty_line.Line(0), "");
}

TEST(MessageHistoryFile, LargeHistoryLoadsWhole) {
  QTemporaryDir dir;
  const QString path = dir.path() + QStringLiteral("/~Messages.txt");
  std::vector<std::string> lines;
  for (int i = 0; i < 100000; ++i) lines.push_back("12:00:00  PC> line " + std::to_string(i));
  WriteLineFile(path, lines);
  MessageHistory history;
  history.Load(path);
  ASSERT_EQ(history.Count(), 100000u);
  EXPECT_EQ(history.Line(0), "12:00:00  PC> line 0");
  EXPECT_EQ(history.Line(99999), "12:00:00  PC> line 99999");
}

}  // namespace
}  // namespace kovra
