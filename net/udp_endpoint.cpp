#include "net/udp_endpoint.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <memory>

#include "net/dotted_address.h"
#include "net/session_seal.h"
#include "net/system_socket.h"
#include "support/ansi_codec.h"

namespace kovra {
namespace {

namespace os = system_socket;

// Deep enough for a fan-out answering a datagram that arrived during another
// fan-out; a flood of such datagrams waits in the socket instead of the stack.
constexpr int kMaxNestedReceives = 8;
// Datagrams taken per wake-up, and the time they may take, before painting
// and input get their turn.
constexpr int kMaxReceivesPerWakeup = 256;
constexpr qint64 kMaxWakeupMs = 50;

// Sends of one datagram at most, each failed by a report of an earlier one.
constexpr int kSendTries = 4;

// The names sent to are remembered for so many addresses at most.
constexpr int kMaxSentNames = 1024;

}  // namespace

TUdpEndpoint::TUdpEndpoint(QObject* owner, QHostAddress bind_address, int remote_port)
    : QObject(owner), RemotePort(remote_port), bind_address_(std::move(bind_address)) {
  Status(8, QStringLiteral("Initializing Winsock"));
  CreateSocket();
}

TUdpEndpoint::~TUdpEndpoint() { Close(); }

void TUdpEndpoint::Close() {
  if (*closed_) return;
  *closed_ = true;
  CloseSocket();
}

void TUdpEndpoint::CreateSocket() {
  socket_ = os::Open();
  if (socket_ < 0) CheckError(os::LastError());
}

void TUdpEndpoint::CloseSocket() {
  delete notifier_;
  notifier_ = nullptr;
  if (socket_ >= 0) os::Close(socket_);
  socket_ = -1;
}

bool TUdpEndpoint::SetLocalPort(int value) {
  if (*closed_) return false;
  CloseSocket();
  CreateSocket();
  local_port_ = value;
  return Loaded();
}

bool TUdpEndpoint::Loaded() {
  if (socket_ < 0 || notifier_ != nullptr) return bind_error_.isEmpty();
  bind_error_.clear();
  if (!os::Bind(socket_, bind_address_.toIPv4Address(), local_port_)) {
    bind_code_ = os::LastError();
    bind_error_ = os::ErrorText(bind_code_);
    // Still able to send: from a free port on the same address.
    os::Bind(socket_, bind_address_.toIPv4Address(), 0);
  }
  // It may send to broadcast addresses: "Enter" to a network's finds every copy on it.
  os::AllowBroadcast(socket_);
  os::AskForLargeReceiveBuffer(socket_, kSocketReceiveBuffer);
  os::AskForErrorReports(socket_);
  notifier_ = new QSocketNotifier(socket_, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TUdpEndpoint::SocketReadable);
  return bind_error_.isEmpty();
}

QString TUdpEndpoint::BindFailedMessage() const {
  const bool in_use = os::AddressInUse(bind_code_);
  const bool denied = os::AccessDenied(bind_code_);
  // Wine, and a Windows without the message, give only the number.
  QString reason = bind_error_;
  bool number = false;
  reason.toInt(&number);
  if (number && in_use) reason = QStringLiteral("порт уже занят, ошибка %1").arg(bind_code_);
  if (number && denied) reason = QStringLiteral("доступ запрещён, ошибка %1").arg(bind_code_);
  QString advice;
#ifdef Q_OS_WIN
  if (in_use || denied) {
    advice = QStringLiteral(
        "Порт занят другой программой или Kovra, запущенной другим пользователем этого "
        "компьютера: на одном компьютере принимать может только одна копия. Закройте ту "
        "программу и запустите Kovra снова.");
  }
#else
  if (in_use) {
    advice = QStringLiteral(
        "Порт занят другой программой или Kovra другого пользователя этого компьютера: "
        "закройте её и запустите Kovra снова.");
  } else if (denied && local_port_ < 1024) {
    advice =
        QStringLiteral("Порт ниже 1024 требует прав root или возможности cap_net_bind_service.");
  }
#endif
  QString text = QStringLiteral(
                     "Не удалось занять порт UDP %1 (%2).\n"
                     "Команды других участников сюда не дойдут; отправка работает.")
                     .arg(local_port_)
                     .arg(reason);
  if (!advice.isEmpty()) text += u'\n' + advice;
  return text;
}

void TUdpEndpoint::Status(int level, const QString& text) {
  if (level <= ReportLevel && OnStatus) OnStatus(*this, text);
}

void TUdpEndpoint::CheckError(int code) {
  Status(16, QStringLiteral("Checking Error In Error Manager"));
  if (os::WouldBlock(code)) return;
  const QString text = code != 0 ? QStringLiteral("Unknown Error No. %1").arg(code) : QString();
  Status(8, QStringLiteral("Looking Up Error Message") + text);
  throw UDPSockError(text);
}

void TUdpEndpoint::SocketReadable() {
  if (*closed_) return;
  if (receive_depth_ >= kMaxNestedReceives) {
    notifier_->setEnabled(false);  // re-enabled when the outer receives unwind
    return;
  }
  QPointer<TUdpEndpoint> alive(this);
  ++receive_depth_;
  QElapsedTimer spent;
  spent.start();
  bool more = true;
  for (int i = 0; i < kMaxReceivesPerWakeup && !spent.hasExpired(kMaxWakeupMs) && more; ++i) {
    more = ReceiveOne();
    if (!alive) return;  // a handler closed the window
  }
  --receive_depth_;
  if (!notifier_) return;
  if (more && receive_depth_ == 0) {
    // Datagrams still wait: the window has its turn before the next of
    // them. Windows tells of a readable socket by a message that comes
    // before the window's input and timers, so a flood would keep them
    // waiting until its end.
    notifier_->setEnabled(false);
    QTimer::singleShot(0, this, [this] {
      if (notifier_ && !*closed_ && receive_depth_ == 0) notifier_->setEnabled(true);
    });
    return;
  }
  if (!notifier_->isEnabled()) notifier_->setEnabled(true);
}

bool TUdpEndpoint::ReceiveOne() {
  quint32 from = 0;
  quint16 from_port = 0;
  const long result =
      os::ReceiveFrom(socket_, ReceiveBuffer.data(), ReceiveBuffer.size(), from, from_port);
  const int error = result < 0 ? os::LastError() : 0;
  if (result < 0 && os::WouldBlock(error)) {
    // A send may have taken the error that stood for the queue's reports,
    // and the socket stays readable while they wait.
    DrainErrorQueue();
    return false;
  }
  if (result < 0 && os::Interrupted(error)) return true;
  if (result < 0 && os::PortUnreachable(error)) {
    Unreachable(from);
    return true;
  }
  if (result < 0 && !os::TooLong(error)) {
    // An error about a datagram sent earlier, not a failed receive; the
    // datagrams waiting behind it are still there.
    DrainErrorQueue();
    return true;
  }
  if (result >= 0 && Refuses && Refuses(from)) return true;
  const bool received = result >= 0 && result <= kReceiveBufferSize;
  ReceivedLength = received ? static_cast<int>(result) : -1;
  if (OnDatagram) {
    // A failed receive (a datagram too long for any command) means nothing.
    if (received) {
      OnDatagram({std::string_view(ReceiveBuffer.data(), static_cast<std::size_t>(result)), from,
                  from_port});
    }
    return result >= 0;
  }
  if (!OnDataReceived) return result >= 0;
  const QString from_ip = received ? QString::fromStdString(DottedAddressText(from)) : QString();
  const int port = received ? from_port : 0;
  OnDataReceived(*this, ReceivedLength, from_ip, port);
  return result >= 0;
}

void TUdpEndpoint::DrainErrorQueue() {
  for (const quint32 address : os::UnreachableReports(socket_)) {
    Unreachable(address);
    if (*closed_) return;
  }
}

void TUdpEndpoint::Unreachable(quint32 address) {
  const auto name = sent_names_.constFind(address);
  if (name == sent_names_.constEnd() || !OnPortUnreachable) return;
  const std::string host = *name;  // the handler may send, and change the table
  OnPortUnreachable(host);
}

void TUdpEndpoint::FetchDatagram(char* buff, int capacity, int& length) const {
  if (ReceivedLength < 0) {
    length = -1;
    return;
  }
  length = std::clamp(ReceivedLength, 0, std::max(capacity, 0));
  std::memcpy(buff, ReceiveBuffer.data(), static_cast<std::size_t>(length));
}

bool TUdpEndpoint::SendTo(const std::string& host, const std::string& bytes) {
  return Send(host, RemotePort, std::vector<char>(bytes.begin(), bytes.end()),
              static_cast<int>(bytes.size()));
}

void TUdpEndpoint::SendDatagram(const char* buff, int size, int length) {
  Send(RemoteHost, RemotePort, std::vector<char>(buff, buff + std::max(size, 0)), length);
}

bool TUdpEndpoint::Send(const std::string& host, int port, std::vector<char> copy, int length) {
  last_send_busy_ = false;
  if (*closed_) return false;
  // Everything this send needs is its own: the event loop may run during a
  // lookup, and a nested send may change RemoteHost or the caller's buffer.
  const std::shared_ptr<bool> closed = closed_;
  length = std::clamp(length, 0, static_cast<int>(copy.size()));
  for (int attempts = 0; length == 0; ++attempts) {
    bool handled = false;
    const QString invalid = QStringLiteral("Invalid buffer");
    if (attempts > 0 || !OnBufferInvalid) throw Error(invalid);
    OnBufferInvalid(handled, copy, length);
    if (!handled) throw Error(invalid);
    length = std::clamp(length, 0, static_cast<int>(copy.size()));
  }

  const std::optional<quint32> address = Resolve(host);
  // Closed, perhaps destroyed, while the name was looked up; or no answer in time.
  if (*closed || !address) return false;
  return Transmit(*address, host, port, copy.data(), static_cast<std::size_t>(length));
}

std::optional<quint32> TUdpEndpoint::Resolve(const std::string& host) {
  const std::shared_ptr<bool> closed = closed_;
  const std::optional<quint32> address = ResolveRemoteHost(host);
  if (*closed || !address) return std::nullopt;
  if (*address == 0) throw UDPSockError(QStringLiteral("Null Remote Address"));
  return address;
}

bool TUdpEndpoint::SendToAddress(quint32 address, const std::string& host,
                                 const std::string& bytes) {
  last_send_busy_ = false;
  if (*closed_ || bytes.empty()) return false;
  return Transmit(address, host, RemotePort, bytes.data(), bytes.size());
}

quint32 TUdpEndpoint::SourceFor(quint32 address, int port) {
  if (!sources_age_.isValid() || sources_age_.hasExpired(30000) || sources_.size() >= 256) {
    sources_.clear();
    sources_age_.start();
  }
  const auto known = sources_.constFind(address);
  if (known != sources_.constEnd()) return *known;
  const quint32 source = os::SourceFor(bind_address_.toIPv4Address(), address, port);
  sources_.insert(address, source);
  return source;
}

bool TUdpEndpoint::Transmit(quint32 address, const std::string& host, int port, const char* bytes,
                            std::size_t length) {
  if (Refuses && Refuses(address)) return true;
  Status(2, QStringLiteral("Sending Data"));
  // Every datagram of a stroke goes to the same names: only a new or
  // changed name is written, and a send that names no host (an
  // announcement) keeps the name known.
  const auto known = sent_names_.find(address);
  if (known == sent_names_.end()) {
    if (sent_names_.size() >= kMaxSentNames) sent_names_.clear();
    if (!host.empty()) sent_names_.insert(address, host);
  } else if (*known != host && !host.empty()) {
    *known = host;
  }
  std::string sealed;
  if (seal_ != nullptr) {
    sealed = seal_->Seal(std::string_view(bytes, length), SourceFor(address, port));
    bytes = sealed.data();
    length = sealed.size();
  }
  int failure = send_fault_ ? send_fault_() : 0;
  // A datagram that went earlier to a copy no longer there fails this
  // send, which then never left: it goes again. Its report waits in the
  // error queue for the next receive.
  for (int tries = 0; failure == 0 && tries < kSendTries; ++tries) {
    if (os::SendTo(socket_, bytes, length, address, port) >= 0) break;
    failure = os::LastError();
    if (os::EarlierSendRefused(failure) && tries + 1 < kSendTries) failure = 0;
  }
  // No room in the queues: the caller decides whether to try again. A
  // datagram that cannot be delivered otherwise is lost, as on the wire.
  last_send_busy_ = os::NoRoom(failure);
  if (last_send_busy_) return false;
  if (OnDataSend) OnDataSend(*this);
  return true;
}

std::optional<quint32> TUdpEndpoint::ResolveRemoteHost(const std::string& host) {
  // The second lookup uses this same name, whatever the handler does.
  // The name buffer holds 127 characters and stops at a zero byte.
  std::string name = host.substr(0, kMaxHostName);
  name = name.substr(0, std::min(name.size(), std::strlen(name.c_str())));
  // Only a plain dotted address is one: "10.0.0.2 #1" is a name.
  if (const auto literal = ParseDottedAddress(name)) return *literal;

  const QString qname = AnsiToQString(name);
  const std::shared_ptr<bool> closed = closed_;
  for (int attempts = 0;; attempts = 1) {
    const NameLookups::Result found = lookups_.LookUp(name, qname, attempts > 0);
    if (found.outcome == NameLookups::Result::Outcome::kFound) return found.address;
    if (found.outcome == NameLookups::Result::Outcome::kGaveUp || *closed) return std::nullopt;
    if (attempts >= 1) break;
    bool handled = false;
    if (OnInvalidHost) OnInvalidHost(host, handled);
    if (*closed) return std::nullopt;
    if (!handled) break;
  }
  throw UDPSockError(QStringLiteral("Host Lookup Canceled"));
}

}  // namespace kovra
