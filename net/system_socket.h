// The system's datagram sockets, the one place where Linux and Windows
// differ for the endpoint: a socket is a descriptor there and a Winsock
// handle here, both held as qintptr (what QSocketNotifier takes); errors are
// errno codes there and Winsock's here, asked about by what they mean.
// Addresses are IPv4 in host order.
#pragma once

#include <QString>
#include <QtGlobal>
#include <cstddef>
#include <vector>

namespace kovra::system_socket {

// A non-blocking UDP socket that children do not inherit; -1 when there is
// none (LastError says why).
qintptr Open();
void Close(qintptr socket);
// True when bound; a failure's reason is in LastError.
bool Bind(qintptr socket, quint32 address, int port);
// Lets it send to broadcast addresses.
void AllowBroadcast(qintptr socket);
// Asks for a receive queue of bytes, past the system's usual cap where the
// process may; and, on Linux, for ICMP reports on datagrams sent.
void AskForLargeReceiveBuffer(qintptr socket, int bytes);
void AskForErrorReports(qintptr socket);

// The datagram's true size (larger than size when it was cut, on Linux) or
// -1; from is filled even for a "port unreachable" on Windows.
long ReceiveFrom(qintptr socket, char* buffer, std::size_t size, quint32& from_address,
                 quint16& from_port);
// The address a datagram to destination goes out from: bound, unless that
// is 0 (any), then the one the system picks; 0 when it cannot tell.
quint32 SourceFor(quint32 bound, quint32 destination, int port);
long SendTo(qintptr socket, const char* bytes, std::size_t length, quint32 address, int port);
// The addresses the system reported, since the last call, as listening on
// no port a datagram went to (Linux's error queue; empty elsewhere).
std::vector<quint32> UnreachableReports(qintptr socket);

int LastError();
bool WouldBlock(int code);
// No room in the system's queues: the datagram may be sent again later.
bool NoRoom(int code);
bool Interrupted(int code);
bool TooLong(int code);
// Windows tells of an ICMP "port unreachable" as this error on a receive.
bool PortUnreachable(int code);
// A send failed with this for a "port unreachable" that an earlier datagram
// met: the system tells it on the next call, whatever that call sends, and
// sends nothing.
bool EarlierSendRefused(int code);
QString ErrorText(int code);
// A bind failed because another socket holds the port, or because the
// system let this process have it (a privileged port, a port another
// program holds for itself alone).
bool AddressInUse(int code);
bool AccessDenied(int code);

}  // namespace kovra::system_socket
