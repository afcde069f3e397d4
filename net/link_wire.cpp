#include "net/link_wire.h"

#include <charconv>

#include "net/command.h"
#include "support/text.h"

namespace kovra::link {
namespace {

constexpr std::string_view kMark = ":>";

// Reads one unsigned decimal word and the blanks after it.
template <typename Number>
bool ReadNumber(std::string_view& text, Number& value) {
  text = TrimView(text);
  const char* end = text.data() + text.size();
  const auto [after, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || (after != end && *after != ' ')) return false;
  text.remove_prefix(static_cast<std::size_t>(after - text.data()));
  return true;
}

}  // namespace

std::string Datagram(const std::string& name, const std::string& args) {
  return kProgramTag + ":>" + name + ":>" + args;
}

bool IsLinkCommand(const std::string& upper_name) {
  return upper_name == "KVHELLO" || upper_name == "KVDATA" || upper_name == "KVACK";
}

bool Carried(const std::string& upper_name) {
  return upper_name != "ENTER" && upper_name != "IAMTOO" && upper_name != "EXIT" &&
         upper_name != "IMAGEKV_CURSORTO" && !IsLinkCommand(upper_name);
}

std::string Hello::Build() const {
  return std::to_string(version) + ' ' + std::to_string(instance) + ' ' + std::to_string(your) +
         ' ' + std::to_string(joined_ago) + ' ' + std::to_string(changed_ago) + ' ' +
         std::to_string(ticket) + ' ' + name;
}

std::optional<Hello> Hello::Parse(std::string_view args) {
  Hello hello;
  if (!ReadNumber(args, hello.version) || hello.version < 1) return std::nullopt;
  if (!ReadNumber(args, hello.instance) || hello.instance == 0) return std::nullopt;
  if (!ReadNumber(args, hello.your)) return std::nullopt;
  if (!ReadNumber(args, hello.joined_ago) || hello.joined_ago < 0) return std::nullopt;
  if (!ReadNumber(args, hello.changed_ago)) return std::nullopt;
  // An earlier version has no ticket: its greeting is read, and answered with plain commands.
  if (hello.version >= 2 && (!ReadNumber(args, hello.ticket) || hello.ticket == 0)) {
    return std::nullopt;
  }
  hello.name = std::string(TrimView(args).substr(0, kMaxCommandText));
  return hello;
}

std::string Data::Build() const {
  std::string text = Datagram();
  return text.substr(kProgramTag.size() + kData.size() + 2 * kMark.size());
}

std::string Data::Datagram() const {
  std::string text;
  text.reserve(kProgramTag.size() + kData.size() + 60 + inner.size());
  text.append(kProgramTag).append(kMark).append(kData).append(kMark);
  char number[24];
  const char* separator = "";
  for (const quint64 value : {quint64{instance}, your, quint64{seq}, quint64{first}}) {
    text.append(separator);
    text.append(number, std::to_chars(number, number + sizeof number, value).ptr);
    separator = " ";
  }
  text.append(kMark).append(inner);
  return text;
}

std::optional<Data> Data::Parse(std::string_view args) {
  const auto mark = args.find(kMark);
  if (mark == std::string_view::npos) return std::nullopt;
  Data data;
  std::string_view numbers = args.substr(0, mark);
  if (!ReadNumber(numbers, data.instance) || !ReadNumber(numbers, data.your) ||
      !ReadNumber(numbers, data.seq) || !ReadNumber(numbers, data.first) ||
      !TrimView(numbers).empty() || data.instance == 0 || data.seq == 0 || data.first == 0 ||
      data.first > data.seq) {
    return std::nullopt;
  }
  data.inner = args.substr(mark + kMark.size());
  return data;
}

std::string Ack::Build() const {
  std::string text = std::to_string(instance) + ' ' + std::to_string(your) + ' ' +
                     std::to_string(through) + ' ' + std::to_string(known);
  for (const Range& range : missing) {
    text += ' ' + std::to_string(range.from) + '-' + std::to_string(range.to);
  }
  return text;
}

std::optional<Ack> Ack::Parse(std::string_view args) {
  Ack ack;
  if (!ReadNumber(args, ack.instance) || !ReadNumber(args, ack.your) ||
      !ReadNumber(args, ack.through) || !ReadNumber(args, ack.known) || ack.instance == 0 ||
      ack.known < ack.through) {
    return std::nullopt;
  }
  while (!(args = TrimView(args)).empty() && ack.missing.size() < kMaxAckRanges) {
    const auto dash = args.find('-');
    if (dash == std::string_view::npos) return std::nullopt;
    std::string_view from = args.substr(0, dash);
    args.remove_prefix(dash + 1);
    Range range;
    if (!ReadNumber(from, range.from) || !TrimView(from).empty() || !ReadNumber(args, range.to) ||
        range.from > range.to || range.from <= ack.through || range.to >= ack.known) {
      return std::nullopt;
    }
    ack.missing.push_back(range);
  }
  return ack;
}

}  // namespace kovra::link
