// A closed session: copies given the same word encrypt and authenticate
// every datagram they send with a key only that word gives, and take only
// datagrams so sealed, each once, from the address that sealed it. A
// sealed datagram is a command of its own, so a copy without the word
// passes over it:
//   Kovra:>KvBox:>salt nonce ciphertext tag        (bytes, not text)
// ChaCha20-Poly1305 (libgcrypt) under a key Argon2id derives from the word
// and the salt; the header and the salt are authenticated with it. The
// plaintext is the sender's id for this run, its counter, the address it
// sends from, and the datagram as it would go unsealed. Each copy founds
// the session with a salt of its own and then seals with the smallest salt
// that a copy with the word has used, so that they soon share one.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <array>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace kovra {

class SessionSeal {
 public:
  // The longest word taken; longer ones are cut.
  static constexpr int kMaxWord = 256;
  using Salt = std::array<unsigned char, 16>;
  static Salt RandomSalt();
  // The key of a word (UTF-8) with a salt: memory-hard and slow on purpose
  // (some 0.1 s), safe to call from any thread.
  static QByteArray DeriveKey(const QByteArray& word, const Salt& salt);

  // Derives the key of own_salt here and now.
  explicit SessionSeal(const QString& word, const Salt& own_salt = RandomSalt());
  ~SessionSeal();
  SessionSeal(const SessionSeal&) = delete;
  SessionSeal& operator=(const SessionSeal&) = delete;

  const QByteArray& Word() const { return word_; }

  // The datagram sealed as sent from source (this copy's address as the
  // receiver sees it).
  std::string Seal(std::string_view datagram, quint32 source);

  enum class Opened {
    kUnsealed,    // not sealed at all
    kOtherWord,   // sealed with another word, or forged or damaged
    kUnknownSalt, // sealed with a salt whose key is not derived yet (see Wanted)
    kReplayed,    // taken before
    kElsewhere,   // sealed by a copy at another address than it came from
    kOpen,        // inner is the datagram it seals
  };
  // inner is written to storage, which must outlive its use.
  Opened Open(std::string_view datagram, quint32 from, std::string& storage,
              std::string_view& inner);
  // Whether a datagram is sealed at all, with any word; and with which salt.
  static bool IsSealed(std::string_view datagram);
  static std::optional<Salt> SaltOf(std::string_view datagram);

  // The salt of the last datagram that found no key, once.
  std::optional<Salt> TakeWanted() { return std::exchange(wanted_, std::nullopt); }
  // The key of salt, derived from this word.
  void AddKey(const Salt& salt, const QByteArray& key);

 private:
  struct Key;
  struct Window {  // the counters taken of one sender: the highest, and the 64 before it
    quint64 top = 0;
    quint64 seen = 0;
  };
  Key* KeyOf(const Salt& salt);
  bool Fresh(quint64 sender, quint64 counter);

  QByteArray word_;
  Salt own_salt_;
  Salt sending_salt_;
  std::map<Salt, std::unique_ptr<Key>> keys_;
  std::deque<Salt> others_;  // keys of salts not this copy's own, oldest first
  static constexpr std::size_t kMaxKeys = 8;
  quint64 sender_ = 0;   // this copy's id in this run
  quint64 counter_ = 0;  // of the datagrams it sealed
  std::unordered_map<quint64, Window> windows_;
  std::deque<quint64> senders_;  // of windows_, oldest first
  static constexpr std::size_t kMaxSenders = 1024;
  std::optional<Salt> wanted_;
};

}  // namespace kovra
