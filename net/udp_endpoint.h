// TUdpEndpoint: one IPv4 UDP socket bound to a local port. It sends one
// datagram at a time to a host name or dotted address and reports every
// datagram that arrives as an event on the GUI thread. A host-name lookup
// runs the event loop until it completes; each send keeps its own copy of
// the buffer and its own destination, so nested sends never mix.
#pragma once

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/name_lookups.h"
#include "support/error_guard.h"

class QSocketNotifier;

namespace kovra {

class UDPSockError : public Error {
 public:
  using Error::Error;
};

// A datagram as it arrived: its bytes, which live only for the call that
// hands them over, and its sender's IPv4 address (host order) and port.
struct ReceivedDatagram {
  std::string_view bytes;
  quint32 address = 0;
  quint16 port = 0;
};

class TUdpEndpoint : public QObject {
  Q_OBJECT

 public:
  static constexpr int kReceiveBufferSize = 2048;
  static constexpr int kMaxHostName = 127;
  // Large enough to hold a burst of drawing commands while the window is busy.
  static constexpr int kSocketReceiveBuffer = 8 * 1024 * 1024;

  // The socket is created but not bound; assigning LocalPort binds it.
  // Datagrams go to remote_port unless RemotePort is changed.
  explicit TUdpEndpoint(QObject* owner = nullptr,
                        QHostAddress bind_address = QHostAddress(QHostAddress::AnyIPv4),
                        int remote_port = 0);
  ~TUdpEndpoint() override;

  int LocalPort() const { return local_port_; }
  // Re-creates the socket and binds it to value; the result of Loaded.
  bool SetLocalPort(int value);
  // Binds the socket and starts reporting datagrams. False when the port
  // could not be bound: the socket then sends from a free port instead.
  bool Loaded();
  // Why the last bind failed; empty after a successful one.
  const QString& BindError() const { return bind_error_; }
  // What the user is told when the port could not be bound.
  QString BindFailedMessage() const;

  // What the window uses: one datagram of bytes to a computer name or dotted
  // address on RemotePort, and every datagram received. A send may run the
  // event loop while a name is looked up. False when it gave up without an
  // error: closed, out of time, or the name's lookup is already waited for
  // further down.
  bool SendTo(const std::string& host, const std::string& bytes);
  // The two halves of SendTo: the address of host (may run the event loop;
  // nullopt when it gave up without an error), and one datagram to an
  // address, host naming it in what is reported of it.
  std::optional<quint32> Resolve(const std::string& host);
  bool SendToAddress(quint32 address, const std::string& host, const std::string& bytes);
  std::function<void(const ReceivedDatagram& datagram)> OnDatagram;
  int RemotePort = 0;
  // Nothing is sent to an address this says yes to, and nothing taken from
  // it: a computer the user removed. Its sends count as made.
  std::function<bool(quint32 address)> Refuses;

  // Where a name was last heard from (host order), asked only for a name
  // whose lookup failed: a send to it then goes by that address, and waits
  // no more while the name is looked up again in the background.
  void SetRememberedAddresses(NameLookups::RememberedAddress remembered) {
    lookups_.SetRemembered(std::move(remembered));
  }
  // A datagram came back as "port unreachable": nobody listens at host now.
  // host is the name the last datagram to that address was sent to.
  std::function<void(const std::string& host)> OnPortUnreachable;

  // The resolver, how long a found address is remembered, and how long a
  // name whose lookup failed is not looked up again; for tests.
  void SetResolver(NameLookups::Resolver resolver) { lookups_.SetResolver(std::move(resolver)); }
  void SetLookupCacheLifetime(qint64 ms) { lookups_.SetCacheLifetime(ms); }
  void SetFailedLookupPause(qint64 ms) { lookups_.SetFailedPause(ms); }
  // Lookups still waiting at the deadline give up, and their datagram is
  // not sent (no error): a close must not wait for a slow resolver.
  void SetLookupDeadline(QDeadlineTimer deadline) { lookups_.SetDeadline(deadline); }
  // Whether the last send found no room in the system's queues (EAGAIN,
  // ENOBUFS): its datagram did not go out, and the sender should slow down
  // and try it again. Any other failure loses the datagram, as a network may.
  bool LastSendBusy() const { return last_send_busy_; }
  // Every datagram sent from now on is sealed with seal (null: none); the
  // seal outlives the endpoint's use of it.
  void SetSeal(class SessionSeal* seal) {
    seal_ = seal;
    sources_.clear();
  }
  // For tests: asked before each datagram goes out; 0 sends it, an errno
  // makes the send fail as the system would with that code.
  void SetSendFault(std::function<int()> fault) { send_fault_ = std::move(fault); }

  // Stops receiving and sending for good. A send waiting for a lookup gives
  // up at once, so nothing keeps the program alive after its window closed.
  void Close();
  bool IsClosed() const { return *closed_; }

  // Raised events. A failed lookup of host asks OnInvalidHost once whether
  // to try again; a send of zero bytes asks OnBufferInvalid once to repair it.
  std::function<void(const std::string& host, bool& handled)> OnInvalidHost;
  std::function<void(bool& handled, std::vector<char>& buff, int& length)> OnBufferInvalid;

  // The classic interface, kept whole for the tests of the endpoint's own
  // rules: a send of the first length characters of an array to RemoteHost,
  // a receive event that carries only the length (-1 for a failed receive)
  // and leaves the bytes to FetchDatagram, status reports up to ReportLevel,
  // and an event after each datagram sent. The program itself uses none of it.
  std::string RemoteHost;
  int ReportLevel = 1;
  void SendDatagram(const char* buff, int size, int length);
  void FetchDatagram(char* buff, int capacity, int& length) const;
  std::function<void(TUdpEndpoint& sender, int number_bytes, const QString& from_ip, int port)>
      OnDataReceived;
  std::function<void(TUdpEndpoint& sender, const QString& status)> OnStatus;
  std::function<void(TUdpEndpoint& sender)> OnDataSend;

 private:
  void CreateSocket();
  void CloseSocket();
  void Status(int level, const QString& text);
  // Raises UDPSockError for a socket error other than "try again".
  void CheckError(int code);
  // Sends length bytes of copy to host and port; the copy is the send's own.
  bool Send(const std::string& host, int port, std::vector<char> copy, int length);
  bool Transmit(quint32 address, const std::string& host, int port, const char* bytes,
                std::size_t length);
  void SocketReadable();
  bool ReceiveOne();
  // The address to send to; nullopt when the send gives up without an error.
  std::optional<quint32> ResolveRemoteHost(const std::string& host);
  // Reads what the system queued about datagrams sent earlier.
  void DrainErrorQueue();
  // Nobody listens at address, to which a datagram went: its name is told.
  void Unreachable(quint32 address);

  QHostAddress bind_address_;
  // The address a datagram to each destination leaves from, which a sealed
  // one carries; asked again now and then, as a network may change.
  quint32 SourceFor(quint32 address, int port);
  SessionSeal* seal_ = nullptr;
  QHash<quint32, quint32> sources_;
  QElapsedTimer sources_age_;
  int local_port_ = 0;
  qintptr socket_ = -1;  // a descriptor, or a Winsock handle
  QSocketNotifier* notifier_ = nullptr;
  int receive_depth_ = 0;
  std::array<char, kReceiveBufferSize> ReceiveBuffer{};
  int ReceivedLength = -1;
  QString bind_error_;
  int bind_code_ = 0;  // the system's, for the advice BindFailedMessage gives

  bool last_send_busy_ = false;
  std::function<int()> send_fault_;
  // The name each address was last sent to, to tell whom an error is about.
  QHash<quint32, std::string> sent_names_;
  // Shared with the sends on the stack, which may outlive the endpoint.
  std::shared_ptr<bool> closed_ = std::make_shared<bool>(false);
  NameLookups lookups_{closed_};
};

}  // namespace kovra
