// The main window's side of the network: the endpoint and its events, the
// fan-out over ListUser, and the table that dispatches received commands.
#include <QListView>
#include <QTimer>
#include <algorithm>

#include "app/main_window.h"
#include "board/drawing_commands.h"
#include "net/command.h"
#include "net/correspondents.h"
#include "net/udp_endpoint.h"
#include "support/ansi_codec.h"
#include "support/state_files.h"

namespace kovra {

void TForm1::CreateEndpoint() {
  RegisterCommands();
  Udp1 = new TUdpEndpoint(this, env_.bind_address);
  Udp1->setObjectName(QStringLiteral("Udp1"));
  Udp1->RemotePort = env_.udp_port;
  if (env_.resolve_host) Udp1->SetResolver(env_.resolve_host);
  Udp1->OnDatagram = [this](std::string_view bytes, const QString& ip, int port) {
    Guard([&] { Udp1DataReceived(bytes, ip, port); });
  };
  Udp1->OnInvalidHost = [this](bool& handled) { Udp1InvalidHost(handled); };
  Udp1->OnBufferInvalid = [this](bool& handled, std::vector<char>& buff, int& length) {
    Udp1BufferInvalid(handled, buff, length);
  };
  fan_out_ = std::make_unique<FanOut>(*Udp1, *correspondents_, *env_.dialogs);
  fan_out_->OnStep = [this](int row) { ListUser->setCurrentIndex(correspondents_->index(row)); };
  presence_ = std::make_unique<Presence>(*fan_out_, *correspondents_, env_.computer_name,
                                         env_.program_dir + kCorrespondentFile);
  if (!Udp1->SetLocalPort(env_.udp_port)) {
    // Told once, when the window is up; the program goes on and still sends.
    const QString message = Udp1->BindFailedMessage();
    QTimer::singleShot(0, this,
                       [this, message] { Guard([&] { env_.dialogs->ShowMessage(message); }); });
  }
}

void TForm1::Udp1DataReceived(std::string_view bytes, const QString& FromIP, int Port) {
  // A command is at most kMaxCommandText characters; what follows is not read.
  const auto received = ParseCommandText(
      bytes.data(), static_cast<int>(std::min<std::size_t>(bytes.size(), kMaxCommandText)));
  if (!received) return;
  const RoutedDialogs::FromPeer from(dialogs_, FromIP);  // what goes wrong here is the sender's
  replay_.SetSender(QStringToAnsi(FromIP) + ':' + std::to_string(Port));
  Guard([&] { commands_.Dispatch(*received); });  // an unknown command is ignored
  replay_.SetSender({});
}

void TForm1::RegisterCommands() {
  using Handler = CommandTable::Handler;
  auto files = [this](void (ReceivedBoardCommands::*handle)(const std::string&)) -> Handler {
    return [this, handle](const std::string& args) { (board_commands_.*handle)(args); };
  };
  auto draw = [this](void (Replay::*replay)(const std::string&)) -> Handler {
    return [this, replay](const std::string& args) { (replay_.*replay)(args); };
  };
  // In the order received names are compared.
  const std::pair<const std::string&, Handler> rows[] = {
      {command::kNewKV, files(&ReceivedBoardCommands::NewKV)},
      {command::kLoad, files(&ReceivedBoardCommands::Load)},
      {command::kSave, files(&ReceivedBoardCommands::Save)},
      {command::kLoadFromFile, files(&ReceivedBoardCommands::LoadFromFile)},
      {command::kSaveToFile, files(&ReceivedBoardCommands::SaveToFile)},
      {command::kMoveTo, draw(&Replay::MoveTo)},
      {command::kMouseUp, [](const std::string&) {}},  // recognised; it means nothing
      {command::kLineTo, draw(&Replay::LineTo)},
      {command::kLineFromTo, draw(&Replay::LineFromTo)},
      {command::kRectangle, draw(&Replay::Rectangle)},
      {command::kRectangleFill, draw(&Replay::RectangleFill)},
      {command::kEllipse, draw(&Replay::Ellipse)},
      {command::kEllipseFill, draw(&Replay::EllipseFill)},
      {command::kFloodFill, draw(&Replay::FloodFill)},
      {command::kSetFont, draw(&Replay::SetFont)},
      {command::kTextOut, draw(&Replay::TextOut)},
      {command::kEnter, [this](const std::string& args) { presence_->ReceivedEnter(args); }},
      {command::kIamToo, [this](const std::string& args) { presence_->ReceivedIamToo(args); }},
      {command::kExit, [this](const std::string& args) { presence_->ReceivedExit(args); }},
      {command::kMessage, [this](const std::string& args) { ReceivedMessage(args); }},
  };
  for (const auto& [name, handler] : rows) commands_.Set(name, handler);
}

void TForm1::Udp1InvalidHost(bool& handled) {
  handled = false;
  if (fan_out_->Unreachable(Udp1->RemoteHost)) return;  // told of already
  env_.dialogs->ShowMessage(QStringLiteral("Error!  \"InvalidHost\" for [") +
                            AnsiToQString(Udp1->RemoteHost) + u']');
}

void TForm1::Udp1BufferInvalid(bool&, std::vector<char>&, int&) {
  env_.dialogs->ShowMessage(QStringLiteral("Error!  \"BufferInvalid\""));
}

}  // namespace kovra
