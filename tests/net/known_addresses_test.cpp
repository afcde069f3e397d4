#include "net/known_addresses.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "net/local_networks.h"
#include "support/error_guard.h"

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

  // Every numeric form the resolver takes, as it takes it.
  const struct {
    const char* text;
    quint32 address;
  } numeric[] = {
      {"4294967295", 0xFFFFFFFFu}, {"0xffffffff", 0xFFFFFFFFu}, {"255.255.255.0377", 0xFFFFFFFFu},
      {"10.77.255", 0x0A4D00FFu},  {"127.1", 0x7F000001u},      {"0x7f.0.0.1", 0x7F000001u},
      {"10.0.0.2", 0x0A000002u},   {"010.0.0.1", 0x08000001u}};
  for (const auto& form : numeric)
    EXPECT_EQ(ParseNumericAddress(form.text), form.address) << form.text;
  for (const char* text :
       {"", "UXB", "10.0.0.2.", "4294967296", "256.0.0.1", "08", "1.2.3.4.5", "0xg", "10.0.0.2 "}) {
    EXPECT_FALSE(ParseNumericAddress(text)) << text;
  }
}

TEST(DottedAddress, OnlyOneComputersAddressIsAPeer) {
  const struct {
    const char* address;
    int prefix;
    const char* broadcast;  // empty: none
  } networks[] = {{"192.168.1.23", 24, "192.168.1.255"},
                  {"10.0.0.1", 30, "10.0.0.3"},
                  {"10.20.30.40", 8, "10.255.255.255"},
                  {"10.0.0.1", 31, ""},
                  {"10.0.0.1", 32, ""},
                  {"10.0.0.1", 0, ""},
                  {"10.0.0.1", -1, ""}};
  for (const auto& network : networks) {
    const auto broadcast = NetworkBroadcast(*ParseDottedAddress(network.address), network.prefix);
    EXPECT_EQ(broadcast ? DottedAddressText(*broadcast) : "", network.broadcast)
        << network.address << "/" << network.prefix;
  }
  for (const char* special : {"0.0.0.0", "0.1.2.3", "255.255.255.255", "224.0.0.1",
                              "239.255.255.250", "240.0.0.1", "127.0.0.1"}) {
    EXPECT_FALSE(IsOneComputer(*ParseDottedAddress(special), false)) << special;
    EXPECT_FALSE(NamesOneComputer(special, false)) << special;
  }
  for (const char* special : {"4294967295", "0xffffffff", "255.255.255.0377", "0xe0000001"}) {
    EXPECT_FALSE(NamesOneComputer(special, false)) << special;
  }
  EXPECT_TRUE(IsOneComputer(*ParseDottedAddress("127.0.0.3"), true)) << "a copy on loopback";
  EXPECT_TRUE(IsOneComputer(*ParseDottedAddress("10.0.0.2"), false));
  EXPECT_TRUE(NamesOneComputer("UXB", false));
  for (const std::string& local : LocalBroadcastAddresses()) {
    EXPECT_FALSE(NamesOneComputer(local, true)) << local;
    EXPECT_NE(local.substr(0, 4), "127.") << "never the loopback's";
  }

  KnownAddresses book;
  EXPECT_FALSE(book.Learn("PCB", *ParseDottedAddress("255.255.255.255")));
  EXPECT_FALSE(book.Learn("PCB", *ParseDottedAddress("224.0.0.1")));
  EXPECT_FALSE(book.Learn("PCB", *ParseDottedAddress("127.0.0.1")));
  EXPECT_FALSE(book.Learn("255.255.255.255", *ParseDottedAddress("10.0.0.2")));
  EXPECT_EQ(book.Count(), 0u);
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
  file.write("junk\r\nBAD=10.0.0.2 #1\r\n=10.0.0.9\r\nALL=255.255.255.255\r\n");
  file.close();
  KnownAddresses loaded;
  loaded.Load(path);
  EXPECT_EQ(loaded.Count(), 2u);
  EXPECT_EQ(loaded.Find("A=B"), 0x0A000002u);
  EXPECT_EQ(loaded.Find("OLD"), 0x0A000001u);
  EXPECT_FALSE(loaded.Changed());

  // What was heard before the file was read stays, newer than the file.
  KnownAddresses early;
  early.Learn("OLD", 0x0A000007u);
  early.Load(path);
  EXPECT_EQ(early.Find("OLD"), 0x0A000007u);
  EXPECT_EQ(early.Find("A=B"), 0x0A000002u);
  EXPECT_TRUE(early.Changed()) << "to be written";

  // A file larger than the book can ever be is not read at all.
  ASSERT_TRUE(file.open(QIODevice::Append));
  file.write(QByteArray(KnownAddresses::kMaxFileBytes, 'x'));
  file.close();
  KnownAddresses refused;
  refused.Learn("HEARD", 0x0A000003u);
  EXPECT_THROW(refused.Load(path), Error);
  EXPECT_EQ(refused.Count(), 1u);
  EXPECT_EQ(refused.Find("HEARD"), 0x0A000003u);
}

}  // namespace
}  // namespace kovra
