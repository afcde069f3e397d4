#include "net/link_wire.h"

#include <gtest/gtest.h>

namespace kovra::link {
namespace {

TEST(LinkWire, CommandsReadBackWhatTheirSenderWroteAndRefuseTheRest) {
  const Hello hello{2, 4000000000u, 7, 123456, -1, 18446744073709551615u, "PC 7"};
  EXPECT_EQ(hello.Build(), "2 4000000000 7 123456 -1 18446744073709551615 PC 7");
  const auto read = Hello::Parse(hello.Build());
  ASSERT_TRUE(read);
  EXPECT_EQ(read->instance, 4000000000u);
  EXPECT_EQ(read->changed_ago, -1);
  EXPECT_EQ(read->ticket, 18446744073709551615u);
  EXPECT_EQ(read->name, "PC 7");
  // An earlier version's greeting has no ticket, and is read for what it says.
  const auto earlier = Hello::Parse("1 5 0 0 -1 PC 7");
  ASSERT_TRUE(earlier);
  EXPECT_EQ(earlier->ticket, 0u);
  EXPECT_EQ(earlier->name, "PC 7");
  for (const char* bad : {"", "0 1 0 0 0 PC", "1 0 0 0 0 PC", "1 1 0 -5 0 PC", "1 x 0 0 0",
                          "1 1 0 99999999999999999999 0 PC", "2 1 0 0 0 0 PC", "2 1 0 0 0 PC",
                          "2 1 0 9223372036854775808 0 1 PC"}) {
    EXPECT_FALSE(Hello::Parse(bad)) << bad;
  }

  const Data data{5, 6, 42, 40, "ImageKV_LineTo:>3 4:>more"};
  EXPECT_EQ(data.Build(), "5 6 42 40:>ImageKV_LineTo:>3 4:>more");
  const std::string built = data.Build();
  const auto got = Data::Parse(built);
  ASSERT_TRUE(got);
  EXPECT_EQ(got->seq, 42u);
  EXPECT_EQ(got->first, 40u);
  EXPECT_EQ(got->inner, "ImageKV_LineTo:>3 4:>more");
  for (const char* bad : {"5 6 42 40", "5 6 42 43:>x", "0 6 42 40:>x", "5 6 0 0:>x", "5 6 42:>x",
                          "5 6 42 40 1:>x", "-5 6 42 40:>x"}) {
    EXPECT_FALSE(Data::Parse(bad)) << bad;
  }

  const Ack ack{5, 6, 10, 22, {{12, 12}, {15, 20}}};
  EXPECT_EQ(ack.Build(), "5 6 10 22 12-12 15-20");
  const auto back = Ack::Parse(ack.Build());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->missing.size(), 2u);
  EXPECT_EQ(back->missing[1].to, 20u);
  std::string many = "5 6 0 200";
  for (int i = 1; i < 100; i += 2) many += ' ' + std::to_string(i) + '-' + std::to_string(i);
  EXPECT_EQ(Ack::Parse(many)->missing.size(), kMaxAckRanges) << "no more ranges than read";
  for (const char* bad : {"5 6 10", "5 6 10 9", "5 6 10 20 9-12", "5 6 10 20 14-12", "5 6 10 20 12",
                          "0 6 10 10", "5 6 10 20 12-20"}) {
    EXPECT_FALSE(Ack::Parse(bad)) << bad;
  }

  EXPECT_TRUE(Carried("IMAGEKV_LINETO"));
  EXPECT_TRUE(Carried("MESSAGE"));
  EXPECT_TRUE(Carried("NEWKV"));
  for (const char* plain : {"ENTER", "IAMTOO", "EXIT", "IMAGEKV_CURSORTO", "KVHELLO", "KVACK"}) {
    EXPECT_FALSE(Carried(plain)) << plain;
  }
}

}  // namespace
}  // namespace kovra::link
