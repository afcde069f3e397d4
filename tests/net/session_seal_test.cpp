// The closed session's seal between copies that founded it with salts of
// their own: what it sends reads as nothing, and what is taken is taken
// once, from the address that sealed it, unchanged, under the word.
#include "net/session_seal.h"

#include <gtest/gtest.h>

#include <string>

namespace kovra {
namespace {

constexpr quint32 kA = 0x0A000001;
constexpr quint32 kB = 0x0A000002;
constexpr quint32 kHost = 0x0A000063;

using Opened = SessionSeal::Opened;

// Opens datagram as the copy at seal would when it came from from.
Opened OpenAt(SessionSeal& seal, const std::string& datagram, quint32 from,
              std::string* inner = nullptr) {
  std::string storage;
  std::string_view opened;
  const Opened result = seal.Open(datagram, from, storage, opened);
  if (inner != nullptr) *inner = std::string(opened);
  return result;
}

// Gives seal the key of the salt it lacked, as the window does off its thread.
void Learn(SessionSeal& seal) {
  const auto salt = seal.TakeWanted();
  ASSERT_TRUE(salt.has_value());
  seal.AddKey(*salt, SessionSeal::DeriveKey(seal.Word(), *salt));
}

TEST(SessionSeal, ReadsAsNothingAndIsTakenOnceFromItsSenderUnderTheWord) {
  SessionSeal a(QStringLiteral("груша"));
  SessionSeal b(QStringLiteral("груша"));
  const std::string message = "Kovra:>Message:>01:25:24  ux-a> zebra secret phrase";
  const std::string sealed = a.Seal(message, kA);
  EXPECT_TRUE(SessionSeal::IsSealed(sealed));
  for (const char* clear : {"Message", "zebra", "ux-a", "01:25"}) {
    EXPECT_EQ(sealed.find(clear), std::string::npos) << clear;
  }
  // b founded the session with a salt of its own: it derives a's key first.
  EXPECT_EQ(OpenAt(b, sealed, kA), Opened::kUnknownSalt);
  Learn(b);
  // Relayed from another address first, it is still the sender's to deliver.
  EXPECT_EQ(OpenAt(b, sealed, kHost), Opened::kElsewhere);
  std::string inner;
  EXPECT_EQ(OpenAt(b, sealed, kA, &inner), Opened::kOpen);
  EXPECT_EQ(inner, message);
  EXPECT_EQ(OpenAt(b, sealed, kA), Opened::kReplayed);
  EXPECT_EQ(OpenAt(b, sealed, kHost), Opened::kElsewhere);

  // Any bit changed anywhere past the head is a forgery.
  for (std::size_t at = 14; at < sealed.size(); at += 7) {
    std::string forged = sealed;
    forged[at] = static_cast<char>(forged[at] ^ 0x20);
    const Opened result = OpenAt(b, forged, kA);
    EXPECT_TRUE(result == Opened::kOtherWord || result == Opened::kUnknownSalt) << at;
  }
  EXPECT_EQ(OpenAt(b, sealed.substr(0, 40), kA), Opened::kOtherWord);
  EXPECT_EQ(OpenAt(b, message, kA), Opened::kUnsealed);

  // Another word: its salt's key, derived from this word, opens nothing.
  SessionSeal other(QStringLiteral("яблоко"));
  const std::string outsider = other.Seal("Kovra:>NewKV:>602:>385", kHost);
  EXPECT_EQ(OpenAt(b, outsider, kHost), Opened::kUnknownSalt);
  Learn(b);
  EXPECT_EQ(OpenAt(b, outsider, kHost), Opened::kOtherWord);
}

TEST(SessionSeal, CountersMayComeOutOfOrderButNeverTwiceAndTheSaltsBecomeOne) {
  SessionSeal a(QStringLiteral("слово"));
  SessionSeal b(QStringLiteral("слово"));
  const auto b_own = SessionSeal::SaltOf(b.Seal("Kovra:>Enter:>b", kB));
  std::vector<std::string> sent;
  for (int i = 0; i < 100; ++i) sent.push_back(a.Seal("Kovra:>LineTo:>" + std::to_string(i), kA));
  EXPECT_EQ(OpenAt(b, sent[0], kA), Opened::kUnknownSalt);
  Learn(b);
  // Late ones within the last 64 are taken, each once; older ones never.
  EXPECT_EQ(OpenAt(b, sent[99], kA), Opened::kOpen);
  EXPECT_EQ(OpenAt(b, sent[40], kA), Opened::kOpen);
  EXPECT_EQ(OpenAt(b, sent[40], kA), Opened::kReplayed);
  EXPECT_EQ(OpenAt(b, sent[30], kA), Opened::kReplayed) << "older than the window";
  EXPECT_EQ(OpenAt(b, sent[98], kA), Opened::kOpen);

  // b now seals with the smaller of the two salts, which a has or learns.
  const auto a_salt = SessionSeal::SaltOf(sent[0]);
  const std::string back = b.Seal("Kovra:>Message:>back", kB);
  ASSERT_TRUE(a_salt && b_own);
  EXPECT_EQ(*SessionSeal::SaltOf(back), std::min(*a_salt, *b_own));
  std::string inner;
  Opened result = OpenAt(a, back, kB, &inner);
  if (result == Opened::kUnknownSalt) {
    Learn(a);
    result = OpenAt(a, back, kB, &inner);
  }
  EXPECT_EQ(result, Opened::kOpen);
  EXPECT_EQ(inner, "Kovra:>Message:>back");
}

}  // namespace
}  // namespace kovra
