#include "net/udp_endpoint.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "net/session_seal.h"

#ifdef __linux__
#include <linux/errqueue.h>
#endif

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "net/dotted_address.h"
#include "support/ansi_codec.h"

namespace kovra {
namespace {

// Deep enough for a fan-out answering a datagram that arrived during another
// fan-out; a flood of such datagrams waits in the socket instead of the stack.
constexpr int kMaxNestedReceives = 8;
// Datagrams taken per wake-up, and the time they may take, before painting
// and input get their turn.
constexpr int kMaxReceivesPerWakeup = 256;
constexpr qint64 kMaxWakeupMs = 50;

sockaddr_in Ipv4Address(quint32 host_order_address, int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<quint16>(port & 0xFFFF));
  address.sin_addr.s_addr = htonl(host_order_address);
  return address;
}

QString DottedText(const sockaddr_in& address) {
  char text[INET_ADDRSTRLEN];
  if (inet_ntop(AF_INET, &address.sin_addr, text, sizeof text) == nullptr) return {};
  return QString::fromLatin1(text);
}

void AskForLargeReceiveBuffer(int socket) {
  int size = TUdpEndpoint::kSocketReceiveBuffer;
  // The forcing option passes the system's cap where the process may do so.
  if (setsockopt(socket, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0) {
    setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
  }
}

// Asks the system to queue what it learns about datagrams sent, such as an
// ICMP "port unreachable", instead of dropping it; Linux only.
void AskForErrorReports(int socket) {
#ifdef __linux__
  int on = 1;
  setsockopt(socket, IPPROTO_IP, IP_RECVERR, &on, sizeof on);
#else
  (void)socket;
#endif
}

// The names sent to are remembered for so many addresses at most.
constexpr int kMaxSentNames = 1024;

}  // namespace

TUdpEndpoint::TUdpEndpoint(QObject* owner, QHostAddress bind_address, int remote_port)
    : QObject(owner), RemotePort(remote_port), bind_address_(std::move(bind_address)) {
  Status(8, QStringLiteral("Initializing Winsock"));
  CreateSocket();
  linger off_linger{};
  setsockopt(socket_, SOL_SOCKET, SO_LINGER, &off_linger, sizeof off_linger);
}

TUdpEndpoint::~TUdpEndpoint() { Close(); }

void TUdpEndpoint::Close() {
  if (*closed_) return;
  *closed_ = true;
  CloseSocket();
}

void TUdpEndpoint::CreateSocket() {
  socket_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (socket_ < 0) CheckError(errno);
  // "Enter" to a network's broadcast address finds every copy on it.
  int on = 1;
  setsockopt(socket_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
}

void TUdpEndpoint::CloseSocket() {
  delete notifier_;
  notifier_ = nullptr;
  if (socket_ >= 0) ::close(socket_);
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
  const sockaddr_in local = Ipv4Address(bind_address_.toIPv4Address(), local_port_);
  bind_error_.clear();
  if (::bind(socket_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    bind_error_ = QString::fromLocal8Bit(std::strerror(errno));
    // Still able to send: from a free port on the same address.
    const sockaddr_in any_port = Ipv4Address(bind_address_.toIPv4Address(), 0);
    ::bind(socket_, reinterpret_cast<const sockaddr*>(&any_port), sizeof any_port);
  }
  AskForLargeReceiveBuffer(socket_);
  AskForErrorReports(socket_);
  notifier_ = new QSocketNotifier(socket_, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TUdpEndpoint::SocketReadable);
  return bind_error_.isEmpty();
}

QString TUdpEndpoint::BindFailedMessage() const {
  return QStringLiteral(
             "Не удалось занять порт UDP %1 (%2).\n"
             "Команды других участников сюда не дойдут; отправка работает.\n"
             "Порт ниже 1024 требует прав root или возможности cap_net_bind_service.")
      .arg(local_port_)
      .arg(bind_error_);
}

void TUdpEndpoint::Status(int level, const QString& text) {
  if (level <= ReportLevel && OnStatus) OnStatus(*this, text);
}

void TUdpEndpoint::CheckError(int code) {
  Status(16, QStringLiteral("Checking Error In Error Manager"));
  if (code == EAGAIN || code == EWOULDBLOCK) return;
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
  for (int i = 0; i < kMaxReceivesPerWakeup && !spent.hasExpired(kMaxWakeupMs); ++i) {
    const bool more = ReceiveOne();
    if (!alive) return;  // a handler closed the window
    if (!more) break;
  }
  --receive_depth_;
  if (notifier_ && !notifier_->isEnabled()) notifier_->setEnabled(true);
}

bool TUdpEndpoint::ReceiveOne() {
  sockaddr_in from{};
  socklen_t from_size = sizeof from;
  // MSG_TRUNC makes the result the datagram's true size, so an oversized one
  // is recognised instead of being taken as its first bytes.
  const ssize_t result = ::recvfrom(socket_, ReceiveBuffer.data(), ReceiveBuffer.size(), MSG_TRUNC,
                                    reinterpret_cast<sockaddr*>(&from), &from_size);
  if (result < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return false;
  if (result < 0 && errno == EINTR) return true;
  if (result < 0 && errno != EMSGSIZE) {
    // An error about a datagram sent earlier, not a failed receive; the
    // datagrams waiting behind it are still there.
    DrainErrorQueue();
    return true;
  }
  const bool received = result >= 0 && result <= kReceiveBufferSize;
  ReceivedLength = received ? static_cast<int>(result) : -1;
  if (OnDatagram) {
    // A failed receive (a datagram too long for any command) means nothing.
    if (received) {
      OnDatagram({std::string_view(ReceiveBuffer.data(), static_cast<std::size_t>(result)),
                  ntohl(from.sin_addr.s_addr), ntohs(from.sin_port)});
    }
    return result >= 0;
  }
  if (!OnDataReceived) return result >= 0;
  const QString from_ip = received ? DottedText(from) : QString();
  const int port = received ? ntohs(from.sin_port) : 0;
  OnDataReceived(*this, ReceivedLength, from_ip, port);
  return result >= 0;
}

void TUdpEndpoint::DrainErrorQueue() {
#ifdef __linux__
  for (;;) {
    sockaddr_in destination{};
    char control[512];
    char data[64];
    iovec part{data, sizeof data};
    msghdr message{};
    message.msg_name = &destination;
    message.msg_namelen = sizeof destination;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    if (::recvmsg(socket_, &message, MSG_ERRQUEUE | MSG_DONTWAIT) < 0) return;
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
         header = CMSG_NXTHDR(&message, header)) {
      if (header->cmsg_level != IPPROTO_IP || header->cmsg_type != IP_RECVERR) continue;
      sock_extended_err report{};
      std::memcpy(&report, CMSG_DATA(header), sizeof report);
      // Only "port unreachable" says that nobody listens there; a host or
      // network that cannot be reached may be a passing fault.
      if (report.ee_origin != SO_EE_ORIGIN_ICMP || report.ee_errno != ECONNREFUSED) continue;
      const auto name = sent_names_.constFind(ntohl(destination.sin_addr.s_addr));
      if (name == sent_names_.constEnd() || !OnPortUnreachable) continue;
      const std::string host = *name;  // the handler may send, and change the table
      OnPortUnreachable(host);
      if (*closed_) return;
    }
  }
#endif
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

bool TUdpEndpoint::Transmit(quint32 address, const std::string& host, int port, const char* bytes,
                            std::size_t length) {
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
  const sockaddr_in remote = Ipv4Address(address, port);
  std::string sealed;
  if (seal_ != nullptr) {
    sealed = seal_->Seal(std::string_view(bytes, length));
    bytes = sealed.data();
    length = sealed.size();
  }
  int failure = send_fault_ ? send_fault_() : 0;
  if (failure == 0 && ::sendto(socket_, bytes, length, 0,
                               reinterpret_cast<const sockaddr*>(&remote), sizeof remote) < 0) {
    failure = errno;
  }
  // No room in the queues: the caller decides whether to try again. A
  // datagram that cannot be delivered otherwise is lost, as on the wire.
  last_send_busy_ = failure == EAGAIN || failure == EWOULDBLOCK || failure == ENOBUFS;
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
