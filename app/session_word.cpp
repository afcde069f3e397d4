#include "app/session_word.h"

#include <QFile>
#include <QSaveFile>

#include "app/notice_line.h"
#include "net/dotted_address.h"
#include "net/presence.h"
#include "net/udp_endpoint.h"
#include "support/ansi_codec.h"
#include "support/dialogs.h"
#include "support/error_guard.h"

namespace kovra {

SessionWord::SessionWord(Parts parts) : parts_(std::move(parts)) {}

void SessionWord::Tell(const QString& text) { parts_.notice.Tell(QString(), text); }

void SessionWord::Load() {
  QFile file(parts_.file);
  if (!file.exists()) return;
  if (file.size() > 4 * SessionSeal::kMaxWord || !file.open(QIODevice::ReadOnly)) {
    Tell(QStringLiteral("Пароль сеанса не прочитан из %1: сеанс открыт для всех").arg(parts_.file));
    return;
  }
  const QString word = QString::fromUtf8(file.readAll()).trimmed();
  if (!word.isEmpty()) {
    seal_ = std::make_unique<SessionSeal>(word);
    parts_.endpoint.SetSeal(seal_.get());
  }
}

void SessionWord::Ask() {
  const std::optional<QString> word = parts_.dialogs.InputText(
      QStringLiteral("Пароль сеанса"),
      QStringLiteral("Одинаковый пароль у всех, кто в сеансе; пусто — сеанс открыт для всех"),
      QString());
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
  parts_.endpoint.SetSeal(nullptr);
  seal_ = word.isEmpty() ? nullptr : std::make_unique<SessionSeal>(word);
  parts_.endpoint.SetSeal(seal_.get());
  told_.clear();
  Tell(word.isEmpty() ? QStringLiteral("Сеанс открыт для всех")
                      : QStringLiteral("Сеанс закрыт паролем: команды без него не принимаются"));
  if (parts_.changed) parts_.changed();
}

bool SessionWord::Open(const ReceivedDatagram& datagram, ReceivedDatagram& opened) {
  opened = datagram;
  if (seal_ == nullptr) {
    if (SessionSeal::IsSealed(datagram.bytes)) TellOnce(datagram.address, Why::kClosedElsewhere);
    return true;
  }
  std::string_view inner;
  switch (seal_->Open(datagram.bytes, inner)) {
    case SessionSeal::Opened::kOpen:
      opened.bytes = inner;
      return true;
    case SessionSeal::Opened::kOtherWord:
      TellOnce(datagram.address, Why::kOtherWord);
      return false;
    case SessionSeal::Opened::kUnsealed:
      TellOnce(datagram.address, Why::kOutside);
      return false;
  }
  return false;
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
    case Why::kClosedElsewhere:
      Tell(QStringLiteral("%1 в закрытом сеансе: нужен его пароль (Сеть → Пароль сеанса…)")
               .arg(name));
      break;
  }
}

}  // namespace kovra
