// The rows of the received-command table: each command's name and the part
// of the program that carries it out, in the order received names are
// compared.
#pragma once

#include <QtGlobal>
#include <functional>
#include <string>

#include "board/drawing_commands.h"
#include "net/command_table.h"

namespace kovra {

class Presence;
class ReceivedBoardCommands;
class Replay;

// Who carries out what arrives; all of it outlives the table.
struct CommandReceivers {
  ReceivedBoardCommands& files;
  Replay& replay;
  Presence& presence;
  // Where the datagram being handled came from (host order; 0 unknown).
  std::function<quint32()> sender;
  std::function<void(const drawing::CursorTo& at)> pointer;
  std::function<void(const std::string& args, quint32 from)> message;
};

void RegisterReceivedCommands(CommandTable& table, const CommandReceivers& receivers);
// The rows of the drawing commands only, each drawn by replay under its
// sender's state; "ImageKV_MouseUp" among them, meaning nothing.
void AddDrawingRows(CommandTable& table, Replay& replay);

}  // namespace kovra
