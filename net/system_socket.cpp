#include "net/system_socket.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif
#ifdef __linux__
#include <linux/errqueue.h>
#endif

#include <cerrno>
#include <cstring>

namespace kovra::system_socket {
namespace {

#ifdef _WIN32
using socklen_t = int;
using NativeSocket = SOCKET;
#else
using NativeSocket = int;
#endif

NativeSocket Native(qintptr socket) { return static_cast<NativeSocket>(socket); }

int SetOption(qintptr socket, int level, int name, const void* value, int size) {
  return setsockopt(Native(socket), level, name, static_cast<const char*>(value),
                    static_cast<socklen_t>(size));
}

sockaddr_in Ipv4Address(quint32 host_order_address, int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<quint16>(port & 0xFFFF));
  address.sin_addr.s_addr = htonl(host_order_address);
  return address;
}

}  // namespace

#ifdef _WIN32
qintptr Open() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  if (!started) return -1;
  const SOCKET handle = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (handle == INVALID_SOCKET) return -1;
  u_long on = 1;
  ioctlsocket(handle, FIONBIO, &on);
  SetHandleInformation(reinterpret_cast<HANDLE>(handle), HANDLE_FLAG_INHERIT, 0);
  return static_cast<qintptr>(handle);
}

void Close(qintptr socket) { closesocket(Native(socket)); }

int LastError() { return WSAGetLastError(); }
bool WouldBlock(int code) { return code == WSAEWOULDBLOCK; }
bool NoRoom(int code) { return code == WSAEWOULDBLOCK || code == WSAENOBUFS; }
bool Interrupted(int code) { return code == WSAEINTR; }
// Windows fails a receive whose datagram is longer than the buffer.
bool TooLong(int code) { return code == WSAEMSGSIZE; }
bool PortUnreachable(int code) { return code == WSAECONNRESET; }
bool EarlierSendRefused(int code) { return code == WSAECONNRESET; }
bool AddressInUse(int code) { return code == WSAEADDRINUSE; }
bool AccessDenied(int code) { return code == WSAEACCES; }

QString ErrorText(int code) {
  wchar_t* text = nullptr;
  FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  const QString message =
      text != nullptr ? QString::fromWCharArray(text).trimmed() : QString::number(code);
  LocalFree(text);
  return message;
}
#else
qintptr Open() {
  const int socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  return socket;
}

void Close(qintptr socket) { ::close(Native(socket)); }

int LastError() { return errno; }
bool WouldBlock(int code) { return code == EAGAIN || code == EWOULDBLOCK; }
bool NoRoom(int code) { return WouldBlock(code) || code == ENOBUFS; }
bool Interrupted(int code) { return code == EINTR; }
bool TooLong(int code) { return code == EMSGSIZE; }
// Reported through the error queue (UnreachableReports), never by a receive.
bool PortUnreachable(int) { return false; }
bool EarlierSendRefused(int code) { return code == ECONNREFUSED; }
bool AddressInUse(int code) { return code == EADDRINUSE; }
bool AccessDenied(int code) { return code == EACCES || code == EPERM; }
QString ErrorText(int code) { return QString::fromLocal8Bit(std::strerror(code)); }
#endif

bool Bind(qintptr socket, quint32 address, int port) {
  const sockaddr_in local = Ipv4Address(address, port);
  return ::bind(Native(socket), reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
}

void AllowBroadcast(qintptr socket) {
#ifdef _WIN32
  const BOOL on = TRUE;
#else
  const int on = 1;
#endif
  SetOption(socket, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
}

void AskForLargeReceiveBuffer(qintptr socket, int bytes) {
#ifdef SO_RCVBUFFORCE
  // The forcing option passes the system's cap where the process may do so.
  if (SetOption(socket, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) == 0) return;
#endif
  SetOption(socket, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

void AskForErrorReports(qintptr socket) {
#ifdef __linux__
  const int on = 1;
  SetOption(socket, IPPROTO_IP, IP_RECVERR, &on, sizeof on);
#else
  (void)socket;
#endif
}

long ReceiveFrom(qintptr socket, char* buffer, std::size_t size, quint32& from_address,
                 quint16& from_port) {
  sockaddr_in from{};
  socklen_t from_size = sizeof from;
#ifdef _WIN32
  const long result = ::recvfrom(Native(socket), buffer, static_cast<int>(size), 0,
                                 reinterpret_cast<sockaddr*>(&from), &from_size);
#else
  // MSG_TRUNC makes the result the datagram's true size, so an oversized one
  // is recognised instead of being taken as its first bytes.
  const long result = ::recvfrom(Native(socket), buffer, size, MSG_TRUNC,
                                 reinterpret_cast<sockaddr*>(&from), &from_size);
#endif
  from_address = ntohl(from.sin_addr.s_addr);
  from_port = ntohs(from.sin_port);
  return result;
}

quint32 SourceFor(quint32 bound, quint32 destination, int port) {
  if (bound != 0) return bound;
  // The system picks the source when a socket is connected; nothing is sent.
  const qintptr probe = Open();
  if (probe == -1) return 0;
  AllowBroadcast(probe);
  const sockaddr_in remote = Ipv4Address(destination, port);
  sockaddr_in local{};
  socklen_t size = sizeof local;
  const bool found =
      ::connect(Native(probe), reinterpret_cast<const sockaddr*>(&remote), sizeof remote) == 0 &&
      ::getsockname(Native(probe), reinterpret_cast<sockaddr*>(&local), &size) == 0;
  Close(probe);
  return found ? ntohl(local.sin_addr.s_addr) : 0;
}

long SendTo(qintptr socket, const char* bytes, std::size_t length, quint32 address, int port) {
  const sockaddr_in remote = Ipv4Address(address, port);
#ifdef _WIN32
  const int size = static_cast<int>(length);
#else
  const std::size_t size = length;
#endif
  return ::sendto(Native(socket), bytes, size, 0, reinterpret_cast<const sockaddr*>(&remote),
                  sizeof remote);
}

std::vector<quint32> UnreachableReports(qintptr socket) {
  std::vector<quint32> unreachable;
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
    if (::recvmsg(Native(socket), &message, MSG_ERRQUEUE | MSG_DONTWAIT) < 0) break;
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
         header = CMSG_NXTHDR(&message, header)) {
      if (header->cmsg_level != IPPROTO_IP || header->cmsg_type != IP_RECVERR) continue;
      sock_extended_err report{};
      std::memcpy(&report, CMSG_DATA(header), sizeof report);
      // Only "port unreachable" says that nobody listens there; a host or
      // network that cannot be reached may be a passing fault.
      if (report.ee_origin != SO_EE_ORIGIN_ICMP || report.ee_errno != ECONNREFUSED) continue;
      unreachable.push_back(ntohl(destination.sin_addr.s_addr));
    }
  }
#else
  (void)socket;
#endif
  return unreachable;
}

}  // namespace kovra::system_socket
