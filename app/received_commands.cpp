#include "app/received_commands.h"

#include "board/board_commands.h"
#include "board/drawing_commands.h"
#include "board/replay.h"
#include "net/command.h"
#include "net/presence.h"

namespace kovra {

void RegisterReceivedCommands(CommandTable& table, const CommandReceivers& receivers) {
  ReceivedBoardCommands& files = receivers.files;
  Presence& presence = receivers.presence;
  const auto& sender = receivers.sender;
  // In the order received names are compared.
  table.Add<files::NewKV>([&files](const auto& size) { files.NewKV(size); });
  table.Add<files::Load>([&files](const auto& args) { files.Load(args); });
  table.Add<files::Save>([&files](const auto& args) { files.Save(args); });
  table.Add<files::LoadFromFile>([&files](const auto& name) { files.LoadFromFile(name); });
  table.Add<files::SaveToFile>([&files](const auto& name) { files.SaveToFile(name); });
  AddDrawingRows(table, receivers.replay);
  table.Add<drawing::CursorTo>(receivers.pointer);
  // The presence commands and messages are told where they came from as well.
  table.Add<talk::Enter>(
      [&presence, sender](const auto& name) { presence.ReceivedEnter(name.text, sender()); });
  table.Add<talk::IamToo>(
      [&presence, sender](const auto& name) { presence.ReceivedIamToo(name.text, sender()); });
  table.Add<talk::Exit>(
      [&presence, sender](const auto& name) { presence.ReceivedExit(name.text, sender()); });
  table.Add<talk::Message>(
      [message = receivers.message, sender](const auto& line) { message(line.text, sender()); });
}

void AddDrawingRows(CommandTable& table, Replay& replay) {
  const auto draw = [&replay](const auto& command) { replay.Draw(command); };
  table.Add<drawing::MoveTo>(draw);
  table.Add<drawing::MouseUp>([](const drawing::MouseUp&) {});
  table.Add<drawing::LineTo>(draw);
  table.Add<drawing::LineFromTo>(draw);
  table.Add<drawing::Rectangle>(draw);
  table.Add<drawing::RectangleFill>(draw);
  table.Add<drawing::Ellipse>(draw);
  table.Add<drawing::EllipseFill>(draw);
  table.Add<drawing::FloodFill>(draw);
  table.Add<drawing::SetFont>(draw);
  table.Add<drawing::TextOut>(draw);
  table.Add<drawing::Paste>(draw);
}

}  // namespace kovra
