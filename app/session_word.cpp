#include "app/session_word.h"

#include <QFile>
#include <QSaveFile>
#include <QThreadPool>
#include <mutex>

#include "app/notice_line.h"
#include "net/dotted_address.h"
#include "net/presence.h"
#include "net/udp_endpoint.h"
#include "support/ansi_codec.h"
#include "support/dialogs.h"
#include "support/error_guard.h"

namespace kovra {

// A key derived on a pool thread, handed over under the lock.
struct SessionWord::Derivation {
  SessionSeal::Salt salt;
  int generation = 0;
  std::mutex lock;
  bool done = false;
  QByteArray key;  // empty when it failed
};

SessionWord::SessionWord(Parts parts) : parts_(std::move(parts)) {
  derivation_watch_.setInterval(20);
  QObject::connect(&derivation_watch_, &QTimer::timeout, [this] { TakeDerived(); });
  lock_tip_.setInterval(2000);
  QObject::connect(&lock_tip_, &QTimer::timeout, [this] { ShowLock(); });
}

SessionWord::~SessionWord() = default;

void SessionWord::Use(std::unique_ptr<SessionSeal> seal) {
  parts_.endpoint.SetSeal(nullptr);
  seal_ = std::move(seal);
  ++generation_;
  parts_.endpoint.SetSeal(seal_.get());
  ShowLock();
}

void SessionWord::ShowLock() {
  if (seal_ == nullptr) {
    lock_tip_.stop();
    parts_.show_lock(false, QString());
    return;
  }
  lock_tip_.start();
  QStringList names;
  for (const std::string& name : parts_.presence.List().PresentNames()) {
    names << AnsiToQString(name);
  }
  parts_.show_lock(
      true,
      QStringLiteral("Сеанс закрыт паролем: всё, что идёт по сети, зашифровано\nВ сеансе: %1")
          .arg(names.isEmpty() ? QStringLiteral("пока никого") : names.join(QStringLiteral(", "))));
}

void SessionWord::Tell(const QString& text) { parts_.notice.Tell(QString(), text); }

void SessionWord::Load() {
  QFile file(parts_.file);
  if (!file.exists()) return;
  if (file.size() > 4 * SessionSeal::kMaxWord || !file.open(QIODevice::ReadOnly)) {
    Tell(QStringLiteral("Пароль сеанса не прочитан из %1: сеанс открыт для всех").arg(parts_.file));
    return;
  }
  const QString word = QString::fromUtf8(file.readAll()).trimmed();
  if (!word.isEmpty()) Use(std::make_unique<SessionSeal>(word));
}

void SessionWord::Ask() {
  const std::optional<QString> word = parts_.dialogs.InputSecret(
      QStringLiteral("Пароль сеанса"),
      QStringLiteral("Одинаковый пароль у всех, кто в сеансе; пусто — сеанс открыт для всех"));
  if (word) Set(*word);
}

void SessionWord::Set(const QString& typed) {
  const QString word = typed.trimmed().left(SessionSeal::kMaxWord);
  // Written before it is used: a word that cannot be kept is not taken.
  if (word.isEmpty()) {
    if (QFile::exists(parts_.file) && !QFile::remove(parts_.file)) {
      throw Error(QStringLiteral("Не удалось удалить файл: ") + parts_.file);
    }
  } else {
    QSaveFile file(parts_.file);
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(word.toUtf8()) < 0 || !file.commit()) {
      throw Error(QStringLiteral("Ошибка при сохранении файла: ") + parts_.file);
    }
  }
  Use(word.isEmpty() ? nullptr : std::make_unique<SessionSeal>(word));
  told_.clear();
  Tell(word.isEmpty() ? QStringLiteral("Сеанс открыт для всех")
                      : QStringLiteral("Сеанс закрыт паролем: команды без него не принимаются"));
  if (parts_.changed) parts_.changed();
}

bool SessionWord::Open(const ReceivedDatagram& datagram, ReceivedDatagram& opened,
                       std::string& storage) {
  opened = datagram;
  if (seal_ == nullptr) {
    if (SessionSeal::IsSealed(datagram.bytes)) TellOnce(datagram.address, Why::kClosedElsewhere);
    return true;
  }
  std::string_view inner;
  switch (seal_->Open(datagram.bytes, datagram.address, storage, inner)) {
    case SessionSeal::Opened::kOpen:
      opened.bytes = inner;
      return true;
    case SessionSeal::Opened::kOtherWord:
      TellOnce(datagram.address, Why::kOtherWord);
      return false;
    case SessionSeal::Opened::kUnsealed:
      TellOnce(datagram.address, Why::kOutside);
      return false;
    case SessionSeal::Opened::kUnknownSalt:
      Hold(datagram);
      return false;
    case SessionSeal::Opened::kReplayed:
      return false;  // taken once already: a copy of it changes nothing
    case SessionSeal::Opened::kElsewhere:
      TellOnce(datagram.address, Why::kElsewhere);
      return false;
  }
  return false;
}

void SessionWord::Hold(const ReceivedDatagram& datagram) {
  DeriveWanted();
  // Read once the key is there: a greeting may not come again for long.
  if (!derivation_ || SessionSeal::SaltOf(datagram.bytes) != derivation_->salt ||
      held_.size() >= kMaxHeld) {
    return;
  }
  held_.push_back(Held{std::string(datagram.bytes), datagram.address, datagram.port});
}

void SessionWord::DeriveWanted() {
  if (derivation_ || (derived_.isValid() && !derived_.hasExpired(kDeriveEveryMs))) return;
  const std::optional<SessionSeal::Salt> salt = seal_->TakeWanted();
  if (!salt) return;
  derived_.start();
  derivation_ = std::make_shared<Derivation>();
  derivation_->salt = *salt;
  derivation_->generation = generation_;
  QThreadPool::globalInstance()->start(
      [word = seal_->Word(), derivation = derivation_] {
        QByteArray key;
        try {
          key = SessionSeal::DeriveKey(word, derivation->salt);
        } catch (const std::exception&) {
          // Left empty: the salt's datagrams stay unread.
        }
        const std::lock_guard<std::mutex> held(derivation->lock);
        derivation->key = key;
        derivation->done = true;
      });
  derivation_watch_.start();
}

void SessionWord::TakeDerived() {
  if (!derivation_) return derivation_watch_.stop();
  {
    const std::lock_guard<std::mutex> held(derivation_->lock);
    if (!derivation_->done) return;
  }
  const bool current = seal_ != nullptr && derivation_->generation == generation_;
  if (current) seal_->AddKey(derivation_->salt, derivation_->key);
  derivation_.reset();
  derivation_watch_.stop();
  std::deque<Held> held;
  held.swap(held_);
  if (!current || !parts_.arrived) return;
  for (const Held& datagram : held) {
    parts_.arrived(ReceivedDatagram{datagram.bytes, datagram.address, datagram.port});
  }
}

void SessionWord::TellOnce(quint32 address, Why why) {
  if (told_.size() >= kMaxTold) return;  // so many hosts: told of enough
  if (!told_.insert({address, why}).second) return;
  const QString name = AnsiToQString(
      parts_.presence.Addresses().NameAt(address).value_or(DottedAddressText(address)));
  switch (why) {
    case Why::kOutside:
      Tell(QStringLiteral("%1 не в закрытом сеансе: его команды не принимаются").arg(name));
      break;
    case Why::kOtherWord:
      Tell(QStringLiteral("%1: другой пароль сеанса, его команды не принимаются").arg(name));
      break;
    case Why::kElsewhere:
      Tell(QStringLiteral("%1 пересылает датаграммы другой копии: они не принимаются").arg(name));
      break;
    case Why::kClosedElsewhere:
      Tell(QStringLiteral("%1 в закрытом сеансе: нужен его пароль (Сеть → Пароль сеанса…)")
               .arg(name));
      break;
  }
}

}  // namespace kovra
