// The main window's side of the network: the endpoint, sending one command
// or fanning it out over ListUser, and dispatching received commands.
#include <QCoreApplication>
#include <QListView>
#include <QTimer>
#include <algorithm>
#include <cstring>

#include "app/main_window.h"
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
  using Handler = void (TForm1::*)(const std::string& args);
  // In the order received names are compared.
  const std::pair<const std::string&, Handler> rows[] = {
      {command::kNewKV, &TForm1::ReceivedNewKV},
      {command::kLoad, &TForm1::ReceivedLoad},
      {command::kSave, &TForm1::ReceivedSave},
      {command::kLoadFromFile, &TForm1::ReceivedLoadFromFile},
      {command::kSaveToFile, &TForm1::ReceivedSaveToFile},
      {command::kMoveTo, &TForm1::ReceivedMoveTo},
      {command::kMouseUp, &TForm1::ReceivedMouseUp},
      {command::kLineTo, &TForm1::ReceivedLineTo},
      {command::kLineFromTo, &TForm1::ReceivedLineFromTo},
      {command::kRectangle, &TForm1::ReceivedRectangle},
      {command::kRectangleFill, &TForm1::ReceivedRectangleFill},
      {command::kEllipse, &TForm1::ReceivedEllipse},
      {command::kEllipseFill, &TForm1::ReceivedEllipseFill},
      {command::kFloodFill, &TForm1::ReceivedFloodFill},
      {command::kSetFont, &TForm1::ReceivedSetFont},
      {command::kTextOut, &TForm1::ReceivedTextOut},
      {command::kEnter, &TForm1::ReceivedEnter},
      {command::kIamToo, &TForm1::ReceivedIamToo},
      {command::kExit, &TForm1::ReceivedExit},
      {command::kMessage, &TForm1::ReceivedMessage},
  };
  for (const auto& [name, handler] : rows) {
    commands_.Set(name, [this, handler = handler](const std::string& args) { (this->*handler)(args); });
  }
}

void TForm1::Udp1InvalidHost(bool& handled) {
  handled = false;
  env_.dialogs->ShowMessage(QStringLiteral("Error!  \"InvalidHost\" for [") +
                            AnsiToQString(Udp1->RemoteHost) + u']');
}

void TForm1::Udp1BufferInvalid(bool&, std::vector<char>&, int&) {
  env_.dialogs->ShowMessage(QStringLiteral("Error!  \"BufferInvalid\""));
}

// Received drawing commands, drawn on the shared board canvas.
void TForm1::ReceivedMoveTo(const std::string& args) { replay_.MoveTo(args); }
void TForm1::ReceivedLineTo(const std::string& args) { replay_.LineTo(args); }
void TForm1::ReceivedLineFromTo(const std::string& args) { replay_.LineFromTo(args); }
void TForm1::ReceivedRectangle(const std::string& args) { replay_.Rectangle(args); }
void TForm1::ReceivedRectangleFill(const std::string& args) { replay_.RectangleFill(args); }
void TForm1::ReceivedEllipse(const std::string& args) { replay_.Ellipse(args); }
void TForm1::ReceivedEllipseFill(const std::string& args) { replay_.EllipseFill(args); }
void TForm1::ReceivedFloodFill(const std::string& args) { replay_.FloodFill(args); }
void TForm1::ReceivedSetFont(const std::string& args) { replay_.SetFont(args); }
void TForm1::ReceivedTextOut(const std::string& args) { replay_.TextOut(args); }

// Recognised so that it is not taken for an unknown command; it means nothing.
void TForm1::ReceivedMouseUp(const std::string&) {}

}  // namespace kovra
