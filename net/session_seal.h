// A closed session: copies given the same word seal every datagram they
// send with a code only that word gives, and take only datagrams so sealed.
// A sealed datagram is a command of its own, so a copy without the word
// passes over it:
//   Kovra:>KvSeal:>code:>the datagram as it would go unsealed
// code is the first 16 bytes of HMAC-BLAKE2s-256 over the datagram, in hex,
// keyed by PBKDF2-SHA256 of the word.
#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <string>
#include <string_view>

class QMessageAuthenticationCode;

namespace kovra {

class SessionSeal {
 public:
  // The longest word taken; longer ones are cut.
  static constexpr int kMaxWord = 256;
  explicit SessionSeal(const QString& word);
  ~SessionSeal();

  std::string Seal(std::string_view datagram) const;
  enum class Opened { kUnsealed, kOtherWord, kOpen };
  // Whether datagram is sealed with this word; inner is then what it seals.
  Opened Open(std::string_view datagram, std::string_view& inner) const;
  // Whether a datagram is sealed at all, with any word.
  static bool IsSealed(std::string_view datagram);

 private:
  QByteArray Code(std::string_view datagram) const;
  QByteArray key_;
  std::unique_ptr<QMessageAuthenticationCode> code_;  // kept keyed: made once
};

}  // namespace kovra
