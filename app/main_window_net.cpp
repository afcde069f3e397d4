// The main window's side of the network: the endpoint, sending one command
// or fanning it out over ListUser, and dispatching received commands.
#include <QCoreApplication>
#include <QListView>
#include <QTimer>
#include <algorithm>
#include <cstring>

#include "app/main_window.h"
#include "board/drawing_commands.h"
#include "net/command.h"
#include "net/correspondents.h"
#include "net/udp_endpoint.h"
#include "support/ansi_codec.h"
#include "support/text.h"

namespace kovra {
namespace {

QString BindFailedMessage(int port, const QString& reason) {
  return QStringLiteral(
             "Не удалось занять порт UDP %1 (%2).\n"
             "Команды других участников сюда не дойдут; отправка работает.\n"
             "Порт ниже 1024 требует прав root или возможности cap_net_bind_service.")
      .arg(port)
      .arg(reason);
}

}  // namespace

void TForm1::CreateEndpoint() {
  RegisterCommands();
  Udp1 = new TUdpEndpoint(this, env_.bind_address);
  Udp1->setObjectName(QStringLiteral("Udp1"));
  Udp1->RemotePort = env_.udp_port;
  if (env_.resolve_host) Udp1->SetResolver(env_.resolve_host);
  Udp1->ReportLevel = 1;
  Udp1->OnDataReceived = [this](TUdpEndpoint& sender, int bytes, const QString& ip, int port) {
    Guard([&] { Udp1DataReceived(sender, bytes, ip, port); });
  };
  Udp1->OnInvalidHost = [this](bool& handled) { Udp1InvalidHost(handled); };
  Udp1->OnBufferInvalid = [this](bool& handled, std::vector<char>& buff, int& length) {
    Udp1BufferInvalid(handled, buff, length);
  };
  if (!Udp1->SetLocalPort(env_.udp_port)) {
    // Told once, when the window is up; the program goes on and still sends.
    const QString message = BindFailedMessage(env_.udp_port, Udp1->BindError());
    QTimer::singleShot(0, this, [this, message] { Guard([&] { env_.dialogs->ShowMessage(message); }); });
  }
}

bool TForm1::SendCommand(const std::string& host, const std::string& command,
                         const std::string& args) {
  const std::string name = TrimText(host);
  if (name.empty()) {
    env_.dialogs->ShowMessage(QStringLiteral("Имя компьютера Вашего Корреспондента - не задано !!!"));
    return false;
  }
  Udp1->RemoteHost = name;
  const std::string text = BuildCommandText(kProgramTag, command, args);
  std::memcpy(DatagramBuffer.data(), text.data(), text.size());
  DatagramBuffer[text.size()] = '\0';
  // May run the event loop while the name is looked up.
  Udp1->SendDatagram(DatagramBuffer.data(), static_cast<int>(DatagramBuffer.size()),
                     static_cast<int>(text.size()));
  return true;
}

int TForm1::SendToCorrespondents(const std::string& command, const std::string& args,
                                 bool to_all) {
  int count = 0;
  for (int i = 0; i < correspondents_->Count(); ++i) {
    ListUser->setCurrentIndex(correspondents_->index(i));
    // Runs what is waiting: received commands and the user may change the list.
    QCoreApplication::processEvents();
    if (i >= correspondents_->Count()) break;
    const std::string line = correspondents_->Line(i);
    if (!to_all && UpperText(Correspondents::ValueOf(line)) != "YES") continue;
    const std::string name = Correspondents::NameOf(line);
    if (!name.empty() && SendCommand(name, command, args)) ++count;
  }
  return count;
}

void TForm1::Udp1DataReceived(TUdpEndpoint& sender, int NumberBytes, const QString&, int) {
  int length = 0;
  // The last byte stays free for the terminating zero.
  sender.FetchDatagram(DatagramBuffer.data(), static_cast<int>(DatagramBuffer.size()) - 1, length);
  DatagramBuffer[static_cast<std::size_t>(std::max(length, 0))] = '\0';
  if (NumberBytes <= 0 || length <= 0) return;
  const auto received = ParseCommandText(DatagramBuffer.data(), std::min(NumberBytes, length));
  if (received) commands_.Dispatch(*received);  // an unknown command is ignored
}

void TForm1::RegisterCommands() {
  using Handler = CommandTable::Handler;
  auto own = [this](void (TForm1::*handle)(const std::string&)) -> Handler {
    return [this, handle](const std::string& args) { (this->*handle)(args); };
  };
  // Received drawing is drawn on the shared board canvas.
  auto draw = [this](void (Replay::*replay)(const std::string&)) -> Handler {
    return [this, replay](const std::string& args) { (replay_.*replay)(args); };
  };
  // In the order received names are compared.
  const std::pair<const std::string&, Handler> rows[] = {
      {command::kNewKV, own(&TForm1::ReceivedNewKV)},
      {command::kLoad, own(&TForm1::ReceivedLoad)},
      {command::kSave, own(&TForm1::ReceivedSave)},
      {command::kLoadFromFile, own(&TForm1::ReceivedLoadFromFile)},
      {command::kSaveToFile, own(&TForm1::ReceivedSaveToFile)},
      {command::kMoveTo, draw(&Replay::MoveTo)},
      // Recognised so that it is not taken for an unknown command; it means nothing.
      {command::kMouseUp, [](const std::string&) {}},
      {command::kLineTo, draw(&Replay::LineTo)},
      {command::kLineFromTo, draw(&Replay::LineFromTo)},
      {command::kRectangle, draw(&Replay::Rectangle)},
      {command::kRectangleFill, draw(&Replay::RectangleFill)},
      {command::kEllipse, draw(&Replay::Ellipse)},
      {command::kEllipseFill, draw(&Replay::EllipseFill)},
      {command::kFloodFill, draw(&Replay::FloodFill)},
      {command::kSetFont, draw(&Replay::SetFont)},
      {command::kTextOut, draw(&Replay::TextOut)},
      {command::kEnter, own(&TForm1::ReceivedEnter)},
      {command::kIamToo, own(&TForm1::ReceivedIamToo)},
      {command::kExit, own(&TForm1::ReceivedExit)},
      {command::kMessage, own(&TForm1::ReceivedMessage)},
  };
  for (const auto& [name, handler] : rows) commands_.Set(name, handler);
}

void TForm1::Udp1InvalidHost(bool& handled) {
  handled = false;
  env_.dialogs->ShowMessage(QStringLiteral("Error!  \"InvalidHost\" for [") +
                            AnsiToQString(Udp1->RemoteHost) + u']');
}

void TForm1::Udp1BufferInvalid(bool&, std::vector<char>&, int&) {
  env_.dialogs->ShowMessage(QStringLiteral("Error!  \"BufferInvalid\""));
}

}  // namespace kovra
