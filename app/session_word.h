// "Сеть" → "Пароль сеанса…": a word that closes the session. Copies given
// the same word encrypt every datagram with it and take only datagrams so
// sealed, each once, so that a host without it can neither draw on, wipe
// nor read their boards and messages; each host turned away is told of
// once in the notice line, and the status bar shows the session closed.
// The word is typed as dots and kept beside the other state files,
// readable by the user only.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <QtGlobal>
#include <deque>
#include <functional>
#include <memory>
#include <string>
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
    // Shows the session closed, or not, with a tip naming who is in it.
    std::function<void(bool closed, const QString& tip)> show_lock;
    QString file;                   // where the word is kept
    std::function<void()> changed;  // the word was set or cleared
    // Datagrams held until their key was derived, to be read as arrived.
    std::function<void(const ReceivedDatagram& datagram)> arrived;
  };
  explicit SessionWord(Parts parts);
  ~SessionWord();

  // Takes the word kept from an earlier run; a file that cannot be read is
  // told of, and the session stays open.
  void Load();
  // Asks for the word; an empty one opens the session again.
  void Ask();
  void Set(const QString& word);

  // A datagram as it arrived: false when it is turned away; otherwise
  // opened is what to read (the datagram itself in an open session).
  // opened's bytes are then kept in storage.
  bool Open(const ReceivedDatagram& datagram, ReceivedDatagram& opened, std::string& storage);

  // A salt's key is derived off the window's thread, one at a time and
  // one a second at most: a host making up salts costs a tenth of a core.
  static constexpr qint64 kDeriveEveryMs = 1000;

 private:
  enum class Why { kOutside, kOtherWord, kClosedElsewhere, kElsewhere };
  struct Derivation;
  void Tell(const QString& text);
  void TellOnce(quint32 address, Why why);
  void Use(std::unique_ptr<SessionSeal> seal);
  void Hold(const ReceivedDatagram& datagram);
  void DeriveWanted();
  void TakeDerived();
  void ShowLock();

  Parts parts_;
  std::unique_ptr<SessionSeal> seal_;
  int generation_ = 0;  // of the seal: a key derived for an earlier word is dropped
  std::shared_ptr<Derivation> derivation_;
  QElapsedTimer derived_;
  QTimer derivation_watch_;
  struct Held {
    std::string bytes;
    quint32 address = 0;
    quint16 port = 0;
  };
  std::deque<Held> held_;  // sealed with the salt being derived
  static constexpr std::size_t kMaxHeld = 64;
  QTimer lock_tip_;
  std::set<std::pair<quint32, Why>> told_;
  static constexpr std::size_t kMaxTold = 256;
};

}  // namespace kovra
