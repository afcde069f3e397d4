// The closed session's seal: any bytes, bare or behind a known salt's head
// so that they reach the decryption, are refused unless sealed with the
// word, and what one sealed datagram becomes when damaged is never taken.
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "net/session_seal.h"

using namespace kovra;

namespace {

SessionSeal::Salt FixedSalt() {
  SessionSeal::Salt salt{};
  salt[0] = 1;
  return salt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static SessionSeal seal(QStringLiteral("fuzz"), FixedSalt());
  static SessionSeal sender(QStringLiteral("fuzz"), FixedSalt());
  static const std::string head = [] {
    const std::string sealed = sender.Seal("", 1);
    // The head and the salt: what comes before the nonce, the inner head and the tag.
    return sealed.substr(0, sealed.size() - 12 - 20 - 16);
  }();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::string storage;
  std::string_view inner;
  for (const std::string& datagram : {bytes, head + bytes}) {
    const SessionSeal::Opened opened = seal.Open(datagram, 1, storage, inner);
    // Nobody without the key makes a datagram that opens.
    if (opened == SessionSeal::Opened::kOpen) std::abort();
  }
  // A datagram sealed with the word, one byte damaged where the input says.
  std::string sealed = sender.Seal(bytes, 1);
  if (size > 0) {
    const std::size_t at = head.size() + data[0] % (sealed.size() - head.size());
    sealed[at] = static_cast<char>(sealed[at] ^ (data[size - 1] | 1));
    if (seal.Open(sealed, 1, storage, inner) == SessionSeal::Opened::kOpen) std::abort();
  }
  seal.TakeWanted();
  return 0;
}
