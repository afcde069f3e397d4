// The delivery extension's own commands, spoken only between copies that
// announced it. Each is an ordinary command datagram, so a copy that does
// not know it passes over it: "KvHello" announces, "KvData" carries one
// numbered command of a sender's ordered stream, "KvAck" tells the sender
// how far that stream arrived (and doubles as a sign of life).
#pragma once

#include <QtGlobal>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kovra::link {

inline const std::string kHello = "KvHello";
inline const std::string kData = "KvData";
inline const std::string kAck = "KvAck";
// In a stream, a number that says nothing: it stood for talk that lost its
// worth while the copy it went to was away. Every copy passes it over as an
// unknown command.
inline const std::string kNothing = "KvNothing";

// Version 2 gives each address a ticket of its own to echo; a copy that
// greets with an earlier version is spoken to with plain commands only.
constexpr int kVersion = 2;
// The largest datagram the extension sends: it fits an Ethernet frame whole.
constexpr std::size_t kMaxDatagram = 1400;
// Missing ranges one "KvAck" names at most.
constexpr std::size_t kMaxAckRanges = 8;

// A datagram of the extension: tag, name and arguments, not cut to the
// length of a plain command.
std::string Datagram(const std::string& name, const std::string& args);

// Whether an upper-cased command name is one of the three above.
bool IsLinkCommand(const std::string& upper_name);
// Whether a command (its upper-cased name) goes in the ordered stream to a
// copy that speaks the extension. Announcements and the pointer stay plain:
// they are repeated anyway, and the pointer is worth nothing late.
bool Carried(const std::string& upper_name);

// "KvHello": version, the sender's instance, the receiver's ticket as the
// sender knows it (0: none), how long ago the sender joined the session and
// last saw its board change (ms; -1: never), the sender's ticket for the
// receiver, and its computer name. A ticket is what the receiver echoes in
// "your" from then on: the sender tells it to that one address only, so
// that a host elsewhere cannot speak as that address.
struct Hello {
  int version = kVersion;
  quint32 instance = 0;
  quint64 your = 0;
  qint64 joined_ago = 0;
  qint64 changed_ago = -1;
  quint64 ticket = 0;
  std::string name;
  std::string Build() const;
  static std::optional<Hello> Parse(std::string_view args);
};

// "KvData": sender's instance, receiver's ticket, the command's number and
// the oldest number the sender still waits to have acknowledged, then the
// mark and the command as its plain datagram has it after the tag.
struct Data {
  quint32 instance = 0;
  quint64 your = 0;
  quint32 seq = 0;
  quint32 first = 0;
  std::string_view inner;
  std::string Build() const;
  // The whole datagram, built in one piece: it is on every stroke's path.
  std::string Datagram() const;
  static std::optional<Data> Parse(std::string_view args);
};

// "KvAck": sender's instance, receiver's ticket, the last number received
// with none missing before it, the last number up to which the missing ones
// are all named, and up to kMaxAckRanges missing ranges "from-to" between
// the two; every other number up to the second has arrived.
struct Ack {
  struct Range {
    quint32 from = 0;
    quint32 to = 0;
  };
  quint32 instance = 0;
  quint64 your = 0;
  quint32 through = 0;
  quint32 known = 0;
  std::vector<Range> missing;
  std::string Build() const;
  static std::optional<Ack> Parse(std::string_view args);
};

}  // namespace kovra::link
