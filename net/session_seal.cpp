#include "net/session_seal.h"

#include <gcrypt.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <stdexcept>

#include "net/command.h"

namespace kovra {
namespace {

const std::string kHead = kProgramTag + ":>KvBox:>";
constexpr std::size_t kSaltBytes = std::tuple_size<SessionSeal::Salt>::value;
constexpr std::size_t kNonceBytes = 12;
constexpr std::size_t kTagBytes = 16;
constexpr std::size_t kKeyBytes = 32;
// Inside: the sender's id and counter, and the address it sent from.
constexpr std::size_t kInnerHead = 8 + 8 + 4;
// Argon2id: 32 MiB and three passes take some 0.1 s here; each guess of a
// word costs an attacker as much, and a salt of the session's own means no
// table of guesses serves two sessions.
constexpr unsigned long kArgonPasses = 3;
constexpr unsigned long kArgonKiB = 32 * 1024;

void StartGcrypt() {
  static std::once_flag started;
  std::call_once(started, [] {
    if (gcry_check_version(GCRYPT_VERSION) == nullptr) {
      throw std::runtime_error("libgcrypt older than the one Kovra was built with");
    }
    gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
  });
}

void PutNumber(unsigned char* at, quint64 value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i, value >>= 8) at[i] = static_cast<unsigned char>(value);
}

quint64 NumberAt(const unsigned char* at, int bytes) {
  quint64 value = 0;
  for (int i = 0; i < bytes; ++i) value = (value << 8) | at[i];
  return value;
}

}  // namespace

// One salt's key, kept open: every datagram of a stroke is sealed with it.
struct SessionSeal::Key {
  explicit Key(const QByteArray& key) {
    if (gcry_cipher_open(&cipher, GCRY_CIPHER_CHACHA20, GCRY_CIPHER_MODE_POLY1305, 0) != 0 ||
        gcry_cipher_setkey(cipher, key.constData(), kKeyBytes) != 0) {
      throw std::runtime_error("ChaCha20-Poly1305 is not available");
    }
  }
  ~Key() { gcry_cipher_close(cipher); }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  // Starts a datagram: its nonce, then what is authenticated only.
  bool Begin(const unsigned char* nonce, std::string_view authenticated) {
    return gcry_cipher_setiv(cipher, nonce, kNonceBytes) == 0 &&
           gcry_cipher_authenticate(cipher, authenticated.data(), authenticated.size()) == 0;
  }
  gcry_cipher_hd_t cipher = nullptr;
  bool heard = false;  // a copy with the word sealed with it
};

SessionSeal::Salt SessionSeal::RandomSalt() {
  StartGcrypt();
  Salt salt;
  gcry_randomize(salt.data(), salt.size(), GCRY_STRONG_RANDOM);
  return salt;
}

QByteArray SessionSeal::DeriveKey(const QByteArray& word, const Salt& salt) {
  StartGcrypt();
  const unsigned long parameters[4] = {kKeyBytes, kArgonPasses, kArgonKiB, 1};
  QByteArray key(static_cast<int>(kKeyBytes), '\0');
  gcry_kdf_hd_t kdf = nullptr;
  const bool done =
      gcry_kdf_open(&kdf, GCRY_KDF_ARGON2, GCRY_KDF_ARGON2ID, parameters, 4, word.constData(),
                    static_cast<std::size_t>(word.size()), salt.data(), salt.size(), nullptr, 0,
                    nullptr, 0) == 0 &&
      gcry_kdf_compute(kdf, nullptr) == 0 && gcry_kdf_final(kdf, kKeyBytes, key.data()) == 0;
  if (kdf != nullptr) gcry_kdf_close(kdf);
  if (!done) throw std::runtime_error("Argon2id is not available");
  return key;
}

SessionSeal::SessionSeal(const QString& word, const Salt& own_salt)
    : word_(word.left(kMaxWord).toUtf8()), own_salt_(own_salt), sending_salt_(own_salt) {
  StartGcrypt();
  keys_[own_salt_] = std::make_unique<Key>(DeriveKey(word_, own_salt_));
  gcry_randomize(&sender_, sizeof sender_, GCRY_STRONG_RANDOM);
}

SessionSeal::~SessionSeal() = default;

bool SessionSeal::IsSealed(std::string_view datagram) {
  return datagram.substr(0, kHead.size()) == kHead;
}

std::optional<SessionSeal::Salt> SessionSeal::SaltOf(std::string_view datagram) {
  if (!IsSealed(datagram) || datagram.size() < kHead.size() + kSaltBytes) return std::nullopt;
  Salt salt;
  std::memcpy(salt.data(), datagram.data() + kHead.size(), kSaltBytes);
  return salt;
}

std::string SessionSeal::Seal(std::string_view datagram, quint32 source) {
  Key& key = *keys_.at(sending_salt_);
  std::string sealed(kHead);
  sealed.append(reinterpret_cast<const char*>(sending_salt_.data()), kSaltBytes);
  unsigned char nonce[kNonceBytes];
  gcry_create_nonce(nonce, sizeof nonce);
  sealed.append(reinterpret_cast<const char*>(nonce), sizeof nonce);
  std::string inner(kInnerHead, '\0');
  auto* head = reinterpret_cast<unsigned char*>(inner.data());
  PutNumber(head, sender_, 8);
  PutNumber(head + 8, ++counter_, 8);
  PutNumber(head + 16, source, 4);
  inner.append(datagram);
  const std::size_t start = sealed.size();
  sealed.resize(start + inner.size() + kTagBytes);
  auto* out = reinterpret_cast<unsigned char*>(sealed.data()) + start;
  if (!key.Begin(nonce, std::string_view(sealed).substr(0, kHead.size() + kSaltBytes)) ||
      gcry_cipher_final(key.cipher) != 0 ||
      gcry_cipher_encrypt(key.cipher, out, inner.size(), inner.data(), inner.size()) != 0 ||
      gcry_cipher_gettag(key.cipher, out + inner.size(), kTagBytes) != 0) {
    throw std::runtime_error("a datagram could not be sealed");
  }
  return sealed;
}

SessionSeal::Key* SessionSeal::KeyOf(const Salt& salt) {
  const auto found = keys_.find(salt);
  return found != keys_.end() ? found->second.get() : nullptr;
}

void SessionSeal::AddKey(const Salt& salt, const QByteArray& key) {
  if (KeyOf(salt) != nullptr || key.size() != static_cast<int>(kKeyBytes)) return;
  // The oldest salt nobody with the word sealed with gives way first.
  while (others_.size() >= kMaxKeys) {
    auto oldest = std::find_if(others_.begin(), others_.end(),
                               [this](const Salt& other) { return !keys_.at(other)->heard; });
    if (oldest == others_.end()) oldest = others_.begin();
    if (*oldest == sending_salt_) sending_salt_ = own_salt_;
    keys_.erase(*oldest);
    others_.erase(oldest);
  }
  keys_[salt] = std::make_unique<Key>(key);
  others_.push_back(salt);
}

bool SessionSeal::Fresh(quint64 sender, quint64 counter) {
  auto found = windows_.find(sender);
  if (found == windows_.end()) {
    if (senders_.size() >= kMaxSenders) {
      windows_.erase(senders_.front());
      senders_.pop_front();
    }
    senders_.push_back(sender);
    windows_[sender] = Window{counter, 1};
    return true;
  }
  Window& window = found->second;
  if (counter > window.top) {
    const quint64 shift = counter - window.top;
    window.seen = shift >= 64 ? 1 : (window.seen << shift) | 1;
    window.top = counter;
    return true;
  }
  const quint64 behind = window.top - counter;
  if (behind >= 64 || (window.seen >> behind) & 1) return false;
  window.seen |= quint64{1} << behind;
  return true;
}

SessionSeal::Opened SessionSeal::Open(std::string_view datagram, quint32 from,
                                      std::string& storage, std::string_view& inner) {
  if (!IsSealed(datagram)) return Opened::kUnsealed;
  if (datagram.size() < kHead.size() + kSaltBytes + kNonceBytes + kInnerHead + kTagBytes) {
    return Opened::kOtherWord;
  }
  const auto* bytes = reinterpret_cast<const unsigned char*>(datagram.data());
  const Salt salt = *SaltOf(datagram);
  Key* key = KeyOf(salt);
  if (key == nullptr) {
    wanted_ = salt;
    return Opened::kUnknownSalt;
  }
  const unsigned char* nonce = bytes + kHead.size() + kSaltBytes;
  const std::size_t start = kHead.size() + kSaltBytes + kNonceBytes;
  const std::size_t length = datagram.size() - start - kTagBytes;
  storage.resize(length);
  auto* out = reinterpret_cast<unsigned char*>(storage.data());
  if (!key->Begin(nonce, datagram.substr(0, kHead.size() + kSaltBytes)) ||
      gcry_cipher_final(key->cipher) != 0 ||
      gcry_cipher_decrypt(key->cipher, out, length, bytes + start, length) != 0 ||
      gcry_cipher_checktag(key->cipher, bytes + start + length, kTagBytes) != 0) {
    storage.clear();  // what a forgery decrypts to is never read
    return Opened::kOtherWord;
  }
  key->heard = true;
  // Copies with the word come to seal with the smallest salt any of them used.
  if (salt < sending_salt_) sending_salt_ = salt;
  if (NumberAt(out + 16, 4) != from) return Opened::kElsewhere;
  if (!Fresh(NumberAt(out, 8), NumberAt(out + 8, 8))) return Opened::kReplayed;
  inner = std::string_view(storage).substr(kInnerHead);
  return Opened::kOpen;
}

}  // namespace kovra
