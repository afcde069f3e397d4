#include "net/session_seal.h"

#include <QMessageAuthenticationCode>
#include <QPasswordDigestor>

#include "net/command.h"

namespace kovra {
namespace {

const std::string kHead = kProgramTag + ":>KvSeal:>";
constexpr std::size_t kCodeBytes = 16;
constexpr std::string_view kMark = ":>";
// Slow enough to make guessing a word from a captured datagram costly,
// quick enough to be unnoticed once at start.
constexpr int kRounds = 100000;

}  // namespace

SessionSeal::SessionSeal(const QString& word)
    : key_(QPasswordDigestor::deriveKeyPbkdf2(
          QCryptographicHash::Sha256, word.left(kMaxWord).toUtf8(),
          QByteArrayLiteral("Kovra session word"), kRounds, 32)),
      // BLAKE2s: every datagram of a stroke is sealed and opened, and it
      // is more than twice as quick as SHA-256 here, as strong.
      code_(std::make_unique<QMessageAuthenticationCode>(QCryptographicHash::Blake2s_256, key_)) {}

SessionSeal::~SessionSeal() = default;

QByteArray SessionSeal::Code(std::string_view datagram) const {
  code_->reset();
  code_->addData(datagram.data(), static_cast<qsizetype>(datagram.size()));
  return code_->result().left(kCodeBytes).toHex();
}

std::string SessionSeal::Seal(std::string_view datagram) const {
  const QByteArray code = Code(datagram);
  std::string sealed;
  sealed.reserve(kHead.size() + code.size() + kMark.size() + datagram.size());
  sealed.append(kHead).append(code.constData(), static_cast<std::size_t>(code.size()));
  sealed.append(kMark).append(datagram);
  return sealed;
}

bool SessionSeal::IsSealed(std::string_view datagram) {
  return datagram.substr(0, kHead.size()) == kHead;
}

SessionSeal::Opened SessionSeal::Open(std::string_view datagram, std::string_view& inner) const {
  if (!IsSealed(datagram)) return Opened::kUnsealed;
  const std::string_view rest = datagram.substr(kHead.size());
  if (rest.size() < 2 * kCodeBytes + kMark.size() || rest.substr(2 * kCodeBytes, 2) != kMark) {
    return Opened::kOtherWord;
  }
  const std::string_view body = rest.substr(2 * kCodeBytes + kMark.size());
  const QByteArray code = Code(body);
  // Compared in full whatever differs first: the time it takes tells nothing.
  unsigned char differs = 0;
  for (std::size_t i = 0; i < 2 * kCodeBytes; ++i) {
    differs |= static_cast<unsigned char>(code[static_cast<qsizetype>(i)] ^ rest[i]);
  }
  if (differs != 0) return Opened::kOtherWord;
  inner = body;
  return Opened::kOpen;
}

}  // namespace kovra
