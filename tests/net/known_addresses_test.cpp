#include "net/known_addresses.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace kovra {
namespace {

TEST(DottedAddress, IsFourNumbersAndNothingElse) {
  EXPECT_EQ(ParseDottedAddress("10.0.0.2"), 0x0A000002u);
  EXPECT_EQ(ParseDottedAddress("255.255.255.255"), 0xFFFFFFFFu);
  for (const char* text : {"10.0.0.2 #1", "10.0.0", "10.0.0.2.", "10.0.0.256", "0x7f.0.0.1",
                           "127.1", " 10.0.0.2", "10..0.2", "1000.0.0.2", "", "UXB"}) {
    EXPECT_FALSE(ParseDottedAddress(text)) << text;
  }
  EXPECT_EQ(DottedAddressText(0x7F000003u), "127.0.0.3");
}

TEST(KnownAddresses, RemembersTheLatestAddressByNameAndForgetsTheLongestUnheard) {
  KnownAddresses book;
  EXPECT_TRUE(book.Learn("uxb", 0x0A000002u));
  EXPECT_FALSE(book.Learn("uxb ", 0x0A000002u)) << "the same, heard again";
  EXPECT_TRUE(book.Learn("UXB", 0x0A000003u));
  EXPECT_EQ(book.Find("Uxb"), 0x0A000003u);
  EXPECT_EQ(book.Count(), 1u);
  EXPECT_FALSE(book.Learn("", 0x0A000004u));
  EXPECT_FALSE(book.Learn("TWO\r\nLINES", 0x0A000004u)) << "would break the file";
  EXPECT_FALSE(book.Learn("ZERO", 0));
  EXPECT_FALSE(book.Find("NOBODY"));

  for (quint32 i = 0; i < KnownAddresses::kCapacity; ++i) {
    book.Learn("PC" + std::to_string(i), 0x0A010000u + i);
    if (i == 10) book.Learn("UXB", 0x0A000003u);  // heard again: kept
  }
  EXPECT_EQ(book.Count(), KnownAddresses::kCapacity);
  EXPECT_EQ(book.Find("UXB"), 0x0A000003u);
  EXPECT_FALSE(book.Find("PC0")) << "heard longest ago";
}

TEST(KnownAddresses, SurvivesASaveAndALoadAndPassesOverLinesOfAnotherForm) {
  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("~Addresses.txt"));
  KnownAddresses book;
  book.Load(path);  // no file yet: nothing known
  EXPECT_EQ(book.Count(), 0u);
  book.Learn("OLD", 0x0A000001u);
  book.Learn("A=B", 0x0A000002u);
  ASSERT_TRUE(book.Changed());
  book.Save(path);
  EXPECT_FALSE(book.Changed());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), "A=B=10.0.0.2\r\nOLD=10.0.0.1\r\n");
  file.close();

  ASSERT_TRUE(file.open(QIODevice::Append));
  file.write("junk\r\nBAD=10.0.0.2 #1\r\n=10.0.0.9\r\n");
  file.close();
  KnownAddresses loaded;
  loaded.Load(path);
  EXPECT_EQ(loaded.Count(), 2u);
  EXPECT_EQ(loaded.Find("A=B"), 0x0A000002u);
  EXPECT_EQ(loaded.Find("OLD"), 0x0A000001u);
  EXPECT_FALSE(loaded.Changed());
}

}  // namespace
}  // namespace kovra
