#include "app/received_commands.h"

#include <utility>

#include "board/board_commands.h"
#include "board/drawing_commands.h"
#include "board/replay.h"
#include "net/command.h"
#include "net/presence.h"

namespace kovra {

void RegisterReceivedCommands(CommandTable& table, const CommandReceivers& receivers) {
  // Each handler calls its receiver directly with the argument text.
  auto on = [](auto* receiver, auto handler) -> CommandTable::Handler {
    return [receiver, handler](const std::string& args) { (receiver->*handler)(args); };
  };
  ReceivedBoardCommands* files = &receivers.files;
  Replay* draw = &receivers.replay;
  // The presence commands are told where they came from as well.
  auto heard = [&receivers](void (Presence::*handler)(const std::string&, quint32)) {
    return [presence = &receivers.presence, sender = receivers.sender,
            handler](const std::string& args) { (presence->*handler)(args, sender()); };
  };
  // In the order received names are compared.
  const std::pair<const std::string&, CommandTable::Handler> rows[] = {
      {command::kNewKV, on(files, &ReceivedBoardCommands::NewKV)},
      {command::kLoad, on(files, &ReceivedBoardCommands::Load)},
      {command::kSave, on(files, &ReceivedBoardCommands::Save)},
      {command::kLoadFromFile, on(files, &ReceivedBoardCommands::LoadFromFile)},
      {command::kSaveToFile, on(files, &ReceivedBoardCommands::SaveToFile)},
      {command::kMoveTo, on(draw, &Replay::MoveTo)},
      {command::kMouseUp, [](const std::string&) {}},  // recognised; it means nothing
      {command::kLineTo, on(draw, &Replay::LineTo)},
      {command::kLineFromTo, on(draw, &Replay::LineFromTo)},
      {command::kRectangle, on(draw, &Replay::Rectangle)},
      {command::kRectangleFill, on(draw, &Replay::RectangleFill)},
      {command::kEllipse, on(draw, &Replay::Ellipse)},
      {command::kEllipseFill, on(draw, &Replay::EllipseFill)},
      {command::kFloodFill, on(draw, &Replay::FloodFill)},
      {command::kSetFont, on(draw, &Replay::SetFont)},
      {command::kTextOut, on(draw, &Replay::TextOut)},
      {command::kCursorTo, receivers.pointer},
      {command::kEnter, heard(&Presence::ReceivedEnter)},
      {command::kIamToo, heard(&Presence::ReceivedIamToo)},
      {command::kExit, heard(&Presence::ReceivedExit)},
      {command::kMessage, [message = receivers.message, sender = receivers.sender](
                              const std::string& args) { message(args, sender()); }},
  };
  for (const auto& [name, handler] : rows) table.Set(name, handler);
}

}  // namespace kovra
