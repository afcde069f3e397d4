// The addresses of computer names for the endpoint's sends. A found address
// serves until a new lookup answers (asked again once it is a few seconds
// old); a name whose lookup failed is not looked up again for a while, and
// only such a name goes by the address it was heard from; and the blocking
// resolver runs on a thread of its own while the waiting send keeps the
// event loop going.
#pragma once

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHash>
#include <QString>
#include <QtGlobal>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace kovra {

class NameLookups {
 public:
  static constexpr qint64 kCacheMs = 5000;
  static constexpr qint64 kFailedPauseMs = 30000;
  static constexpr int kPostedEventsCheckMs = 50;

  // Turns a computer name into an IPv4 address (host order); called on a
  // worker thread, so it may block.
  using Resolver = std::function<std::optional<quint32>(const QString& name)>;
  static std::optional<quint32> SystemResolver(const QString& name);
  // Where a name was last heard from (host order), if anywhere; asked only
  // for names the resolver does not know.
  using RememberedAddress = std::function<std::optional<quint32>(const std::string& name)>;

  // What became of a lookup: an address, no address, or no answer in time.
  struct Result {
    enum class Outcome { kFound, kNotFound, kGaveUp } outcome;
    quint32 address = 0;
  };

  // closed is the endpoint's: once it is set, every wait ends.
  explicit NameLookups(std::shared_ptr<bool> closed) : closed_(std::move(closed)) {}
  ~NameLookups();
  NameLookups(const NameLookups&) = delete;
  NameLookups& operator=(const NameLookups&) = delete;

  // The address of name (host as sent, name as looked up). May run the
  // event loop while it waits; a retry looks the name up again even if it
  // failed a moment ago. The object may be gone when this returns.
  Result LookUp(const std::string& host, const QString& name, bool retry);

  void SetResolver(Resolver resolver) { resolver_ = std::move(resolver); }
  void SetRemembered(RememberedAddress remembered) { remembered_ = std::move(remembered); }
  void SetCacheLifetime(qint64 ms) { cache_ms_ = ms; }
  void SetFailedPause(qint64 ms) { failed_pause_ms_ = ms; }
  void SetDeadline(QDeadlineTimer deadline) { deadline_ = deadline; }

 private:
  // A lookup running on a worker thread; filled in on the GUI thread.
  struct PendingLookup {
    // Set by the lookup's thread: the answer, then ready.
    std::optional<quint32> answer;
    std::atomic<bool> ready{false};
    // Taken in on this thread, by the answer's event or by a wait that saw it first.
    bool done = false;
    std::optional<quint32> address;
  };
  struct CachedAddress {
    quint32 address;
    QElapsedTimer age;
  };
  // Where host was last heard from, for a name the resolver does not know.
  std::optional<quint32> Remembered(const std::string& host) const;
  // The lookup of name under way, or a new one.
  std::shared_ptr<PendingLookup> StartLookup(const QString& name);
  // Runs the event loop until the lookup is taken in, the lookups close or
  // until passes; touches nothing the loop may destroy.
  static void Await(const QString& name, const std::shared_ptr<PendingLookup>& lookup,
                    const std::shared_ptr<bool>& closed, const std::shared_ptr<NameLookups*>& self,
                    QDeadlineTimer until);
  void LookupFinished(const QString& name, const std::shared_ptr<PendingLookup>& lookup);
  // Takes a ready lookup's answer in, once.
  static void TakeIn(const QString& name, const std::shared_ptr<PendingLookup>& lookup,
                     const std::shared_ptr<NameLookups*>& self);

  std::shared_ptr<bool> closed_;
  QHash<QString, CachedAddress> cache_;
  qint64 cache_ms_ = kCacheMs;
  QHash<QString, QElapsedTimer> failed_;  // by name: since when
  qint64 failed_pause_ms_ = kFailedPauseMs;
  QHash<QString, std::shared_ptr<PendingLookup>> pending_;
  RememberedAddress remembered_;
  Resolver resolver_ = SystemResolver;
  QDeadlineTimer deadline_{QDeadlineTimer::Forever};
  // This object while it lives, for lookups that finish after it is gone.
  std::shared_ptr<NameLookups*> self_ = std::make_shared<NameLookups*>(this);
};

}  // namespace kovra
