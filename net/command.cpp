#include "net/command.h"

#include <cstring>

#include "support/text.h"

namespace kovra {

namespace {
constexpr char kMark[] = ":>";
constexpr std::size_t kMarkSize = 2;
}  // namespace

std::string BuildCommandText(const std::string& tag, const std::string& command,
                             const std::string& args) {
  std::string text = TrimText(tag) + kMark + TrimText(command) + kMark + TrimText(args);
  if (text.size() > kMaxCommandText) text.resize(kMaxCommandText);
  return text;
}

std::optional<ReceivedCommand> ParseCommandText(const char* bytes, int number_bytes) {
  if (number_bytes <= 0) return std::nullopt;
  const auto size = static_cast<std::size_t>(number_bytes);
  // Every datagram passes here: only the two parts kept are copied.
  std::string_view text = TrimView(std::string_view(bytes, strnlen(bytes, size)));
  if (text.empty()) return std::nullopt;

  // The tag is not tested: any word, or none, will do.
  if (const auto tag_end = text.find(kMark); tag_end != std::string_view::npos) {
    text.remove_prefix(tag_end + kMarkSize);
  }
  return ParseUntaggedCommand(text);
}

std::optional<ReceivedCommand> ParseUntaggedCommand(std::string_view text) {
  const auto name_end = text.find(kMark);
  if (name_end == std::string_view::npos) return std::nullopt;
  ReceivedCommand command{UpperText(std::string(TrimView(text.substr(0, name_end)))),
                          std::string(TrimView(text.substr(name_end + kMarkSize)))};
  if (command.name.empty()) return std::nullopt;
  return command;
}

}  // namespace kovra
