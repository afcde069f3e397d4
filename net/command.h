// The command datagram: tag ":>" command ":>" arguments, one line of
// Windows-1251 text of at most 255 characters. Built and taken apart here
// only, so the sender's layout and the receiver's reading sit side by side.
#pragma once

#include <optional>
#include <string>

#include "support/text.h"

namespace kovra {

inline const std::string kProgramTag = "Kovra";

// The board file, presence and chat commands; the drawing commands are the
// board's own.
namespace command {
inline const std::string kNewKV = "NewKV";
inline const std::string kLoad = "ImageKV_Load";
inline const std::string kSave = "ImageKV_Save";
inline const std::string kLoadFromFile = "ImageKV_LoadFromFile";
inline const std::string kSaveToFile = "ImageKV_SaveToFile";
inline const std::string kEnter = "Enter";
inline const std::string kIamToo = "IamToo";
inline const std::string kExit = "Exit";
inline const std::string kMessage = "Message";
}  // namespace command

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

}  // namespace kovra
