#include "net/name_lookups.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHostInfo>
#include <QTimer>
#include <algorithm>
#include <thread>

#include "net/dotted_address.h"

namespace kovra {

NameLookups::~NameLookups() { *self_ = nullptr; }

std::optional<quint32> NameLookups::SystemResolver(const QString& name) {
  // A number is an address as it stands. The name service would also look
  // its name up in reverse, which nobody reads and which waits for a
  // server's answer where none comes.
  if (const auto number = ParseNumericAddress(name.toStdString())) return number;
  const QHostInfo info = QHostInfo::fromName(name);
  for (const QHostAddress& candidate : info.addresses()) {
    if (candidate.protocol() == QAbstractSocket::IPv4Protocol) return candidate.toIPv4Address();
  }
  return std::nullopt;
}

NameLookups::Result NameLookups::LookUp(const std::string& host, const QString& name, bool retry) {
  // What the name service said last serves, and is asked again once it is old:
  // a name it knows goes where it says, whoever claims the name meanwhile.
  if (const auto it = cache_.constFind(name); it != cache_.constEnd()) {
    if (it->age.hasExpired(cache_ms_)) StartLookup(name);
    return {Result::Outcome::kFound, it->address};
  }
  // Only a name the name service does not know goes by where it was heard from.
  if (const auto failed = failed_.constFind(name); failed != failed_.constEnd()) {
    const std::optional<quint32> remembered = Remembered(host);
    if (!retry && !failed->hasExpired(failed_pause_ms_)) {
      if (remembered) return {Result::Outcome::kFound, *remembered};
      return {Result::Outcome::kNotFound};
    }
    if (remembered) {
      // Never waited for: the remembered address serves until it answers.
      StartLookup(name);
      return {Result::Outcome::kFound, *remembered};
    }
  }
  // The send that started it waits for it; waiting a second time, nested in
  // the first wait, would hold up every send below this one.
  if (pending_.contains(name)) return {Result::Outcome::kGaveUp};
  if (deadline_.hasExpired()) return {Result::Outcome::kGaveUp};
  const std::shared_ptr<PendingLookup> lookup = StartLookup(name);

  const std::shared_ptr<bool> closed = closed_;
  Await(name, lookup, closed, self_, deadline_);
  // The lookups, and the endpoint, may be gone now; only what this frame
  // holds is safe to read.
  if (*closed || !lookup->done) return {Result::Outcome::kGaveUp};
  if (lookup->address) return {Result::Outcome::kFound, *lookup->address};
  const std::optional<quint32> remembered = Remembered(host);
  if (remembered) return {Result::Outcome::kFound, *remembered};
  return {Result::Outcome::kNotFound};
}

void NameLookups::Await(const QString& name, const std::shared_ptr<PendingLookup>& lookup,
                        const std::shared_ptr<bool>& closed,
                        const std::shared_ptr<NameLookups*>& self, QDeadlineTimer until) {
  // The answer, a close and the deadline each come as an event that ends
  // the wait. Waiting for events, rather than running a loop of its own,
  // keeps the wait going unchanged when the application is ending, instead
  // of returning at once forever.
  bool timed_out = false;
  QTimer deadline;
  deadline.setSingleShot(true);
  deadline.setTimerType(Qt::PreciseTimer);
  QObject::connect(&deadline, &QTimer::timeout, &deadline, [&timed_out] { timed_out = true; });
  if (!until.isForever()) deadline.start(std::max<qint64>(until.remainingTime(), 0));
  // The answer's event from the lookup's thread can go missing: under
  // Wine, a message posted from another thread may neither end the wait
  // nor be handled in it. A tick makes the wait look at the answer itself.
  QTimer tick;
  tick.start(kPostedEventsCheckMs);
  // The user's input waits too: a click given now comes after the command
  // that waits here, as it came after it.
  while (!lookup->done && !*closed && !timed_out) {
    if (lookup->ready.load(std::memory_order_acquire)) {
      TakeIn(name, lookup, self);
      break;
    }
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents |
                                    QEventLoop::ExcludeUserInputEvents);
  }
}

std::optional<quint32> NameLookups::Remembered(const std::string& host) const {
  return remembered_ ? remembered_(host) : std::nullopt;
}

std::shared_ptr<NameLookups::PendingLookup> NameLookups::StartLookup(const QString& name) {
  if (const auto it = pending_.constFind(name); it != pending_.constEnd()) {
    return *it;
  }
  auto lookup = std::make_shared<PendingLookup>();
  pending_.insert(name, lookup);
  // The resolver blocks, so it runs on a thread of its own while this thread
  // keeps the event loop going.
  std::thread([lookup, name, resolve = resolver_, self = self_] {
    lookup->answer = resolve(name);
    lookup->ready.store(true, std::memory_order_release);
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return;
    // Taken in on the GUI thread, where the lookups live; the event also
    // wakes a send that waits for it.
    QMetaObject::invokeMethod(
        app, [lookup, name, self] { TakeIn(name, lookup, self); }, Qt::QueuedConnection);
  }).detach();
  return lookup;
}

void NameLookups::TakeIn(const QString& name, const std::shared_ptr<PendingLookup>& lookup,
                         const std::shared_ptr<NameLookups*>& self) {
  if (lookup->done) return;
  lookup->done = true;
  lookup->address = lookup->answer;
  if (*self != nullptr) (*self)->LookupFinished(name, lookup);
}

void NameLookups::LookupFinished(const QString& name,
                                 const std::shared_ptr<PendingLookup>& lookup) {
  if (pending_.value(name) == lookup) pending_.remove(name);
  if (lookup->address) {
    CachedAddress cached{*lookup->address, {}};
    cached.age.start();
    cache_.insert(name, cached);
    failed_.remove(name);
  } else {
    // No longer known: from now on it goes where it was heard from.
    cache_.remove(name);
    QElapsedTimer since;
    since.start();
    failed_.insert(name, since);
  }
}

}  // namespace kovra
