// The command datagram: tag ":>" command ":>" arguments, one line of
// Windows-1251 text of at most 255 characters. Built and taken apart here
// only, so the sender's layout and the receiver's reading sit side by side.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "support/text.h"
#include "support/text_command.h"

namespace kovra {

inline const std::string kProgramTag = "Kovra";

// The presence and chat commands; the drawing and board file commands are
// the board's own.
namespace command {
inline const std::string kEnter = "Enter";
inline const std::string kIamToo = "IamToo";
inline const std::string kExit = "Exit";
inline const std::string kMessage = "Message";
}  // namespace command

namespace talk {
// Each carries the sender's computer name.
using Enter = TextCommand<command::kEnter>;
using IamToo = TextCommand<command::kIamToo>;
using Exit = TextCommand<command::kExit>;
// The message line as typed, in Windows-1251.
using Message = TextCommand<command::kMessage>;
}  // namespace talk

// The trimmed parts joined by the two marks, cut to 255 characters.
std::string BuildCommandText(const std::string& tag, const std::string& command,
                             const std::string& args);

struct ReceivedCommand {
  std::string name;  // upper-cased
  std::string args;  // trimmed; may hold further marks
};

// Takes a received datagram apart: the text ends at its first zero byte, and
// only the first two marks split it. nullopt when it is no command text.
std::optional<ReceivedCommand> ParseCommandText(const char* bytes, int number_bytes);
// The same for the text after the tag and its mark, as the delivery
// extension carries a command; the text holds no zero byte.
std::optional<ReceivedCommand> ParseUntaggedCommand(std::string_view text);

}  // namespace kovra
