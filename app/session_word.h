// "Сеть" → "Пароль сеанса…": a word that closes the session. Copies given
// the same word seal every datagram with it and take only datagrams so
// sealed, so that a host without it can neither draw on, wipe nor read
// their boards; each host turned away is told of once in the notice line.
// The word is kept beside the other state files, readable by the user only.
#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>
#include <memory>
#include <set>
#include <utility>

#include "net/session_seal.h"

namespace kovra {

class Dialogs;
class NoticeLine;
class Presence;
class TUdpEndpoint;
struct ReceivedDatagram;

class SessionWord {
 public:
  struct Parts {
    Dialogs& dialogs;
    TUdpEndpoint& endpoint;
    const Presence& presence;  // who a host is, as the user knows it
    NoticeLine& notice;
    QString file;                   // where the word is kept
    std::function<void()> changed;  // the word was set or cleared
  };
  explicit SessionWord(Parts parts);

  // Takes the word kept from an earlier run; a file that cannot be read is
  // told of, and the session stays open.
  void Load();
  // Asks for the word; an empty one opens the session again.
  void Ask();
  void Set(const QString& word);

  // A datagram as it arrived: false when it is turned away; otherwise
  // opened is what to read (the datagram itself in an open session).
  bool Open(const ReceivedDatagram& datagram, ReceivedDatagram& opened);

 private:
  enum class Why { kOutside, kOtherWord, kClosedElsewhere };
  void Tell(const QString& text);
  void TellOnce(quint32 address, Why why);

  Parts parts_;
  std::unique_ptr<SessionSeal> seal_;
  std::set<std::pair<quint32, Why>> told_;
  static constexpr std::size_t kMaxTold = 256;
};

}  // namespace kovra
