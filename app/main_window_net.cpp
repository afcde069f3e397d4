// The main window's side of the network: the endpoint and its events, the
// fan-out over ListUser, and the table that dispatches received commands.
#include <QListView>
#include <QTimer>
#include <algorithm>

#include "app/main_window.h"
#include "app/notice_line.h"
#include "app/received_commands.h"
#include "board/board_view.h"
#include "board/drawing_commands.h"
#include "net/command.h"
#include "net/correspondents.h"
#include "net/dotted_address.h"
#include "net/udp_endpoint.h"
#include "support/ansi_codec.h"
#include "support/state_files.h"

namespace kovra {

void TForm1::CreateEndpoint() {
  Udp1 = new TUdpEndpoint(this, env_.bind_address, env_.udp_port);
  Udp1->setObjectName(QStringLiteral("Udp1"));
  if (env_.resolve_host) Udp1->SetResolver(env_.resolve_host);
  Udp1->OnDatagram = [this](const ReceivedDatagram& datagram) {
    Guard([&] { Udp1DataReceived(datagram); });
  };
  Udp1->OnInvalidHost = [this](const std::string& host, bool& handled) {
    Udp1InvalidHost(host, handled);
  };
  Udp1->OnBufferInvalid = [this](bool& handled, std::vector<char>& buff, int& length) {
    Udp1BufferInvalid(handled, buff, length);
  };
  fan_out_ = std::make_unique<FanOut>(*Udp1, *correspondents_, *env_.dialogs);
  fan_out_->OnIdle = [this] { held_input_.SendsEnded(); };
  board_sending_ = std::make_unique<BoardSending>(*fan_out_, this);
  board_sending_->OnFailed = [this](const QString& text) {
    ui_.Label_Notice->Tell(QString(), text);
  };
  board_menu_ = std::make_unique<BoardMenu>(
      BoardMenu::Parts{*env_.dialogs, board_files_, canvas_, *fan_out_, *board_sending_,
                       *correspondents_, *ui_.Image_KV, *ui_.ListUser, env_.program_dir});
  presence_ = std::make_unique<Presence>(*fan_out_, *correspondents_, env_.computer_name,
                                         env_.program_dir + kCorrespondentFile,
                                         env_.program_dir + kKnownAddressesFile);
  // Copies in one process on loopback addresses (tests) are computers of their own.
  presence_->SetLoopbackIsPeer(env_.bind_address.isLoopback());
  CreateCorrespondentsMenu();
  chat_ = std::make_unique<ChatPane>(ChatPane::Parts{*env_.dialogs, *fan_out_, history_, *presence_,
                                                     *correspondents_, *ui_.Edit_Mess, *this,
                                                     env_.computer_name});
  gestures_ = std::make_unique<BoardGestures>(
      BoardGestures::Parts{ui_, tool_panel_, *env_.dialogs, canvas_, replay_, board_history_,
                           [this] { undo_->StepBegun(); }, *fan_out_, *board_sending_, *chat_,
                           *presence_, *correspondents_});
  CreatePieces();
  presence_->OnAnswered = [this](const std::string& name, quint32 from) {
    correspondents_menu_->Heard(name, DottedAddressText(from));
  };
  presence_->RunForPeer = [this](quint32 from, const std::function<void()>& answer) {
    const RoutedDialogs::FromPeer peer(dialogs_, from);
    Guard(answer);
  };
  Udp1->SetRememberedAddresses(
      [this](const std::string& name) { return presence_->Addresses().Find(name); });
  RegisterCommands();
  CreateSessionAndUndo();
  if (!Udp1->SetLocalPort(env_.udp_port)) {
    // Told once, when the window is up; the program goes on and still sends.
    const QString message = Udp1->BindFailedMessage();
    QTimer::singleShot(0, this,
                       [this, message] { Guard([&] { env_.dialogs->ShowMessage(message); }); });
  }
}

void TForm1::CreateCorrespondentsMenu() {
  correspondents_menu_ = std::make_unique<CorrespondentsMenu>(CorrespondentsMenu::Parts{
      *env_.dialogs, *presence_, *correspondents_, *ui_.ListUser, env_.broadcast_addresses,
      [this](const QString& text) { ui_.Label_Notice->Tell(QString(), text); },
      env_.program_dir + kRemovedComputersFile,
      [this](quint32 address) {
        if (session_) session_->Links().Forget(address);
      }});
  // The computers the user removed are refused from the first datagram on.
  correspondents_menu_->LoadRemoved();
  Udp1->Refuses = [this](quint32 address) {
    return correspondents_menu_->Removed().Refuses(address);
  };
}

void TForm1::CreatePieces() {
  // A put-down is one step of the user's, drawn and sent as a gesture's.
  pieces_ = std::make_unique<BoardPieces>(
      BoardPieces::Parts{ui_, canvas_, tool_panel_,
                         [this](const std::vector<drawing::Command>& step) {
                           return gestures_->DrawAgain({step});
                         },
                         [this](quint32 address) {
                           return AnsiToQString(presence_->Addresses().NameAt(address).value_or(
                               DottedAddressText(address)));
                         }},
      this);
}

void TForm1::CreateSessionAndUndo() {
  // Who may speak changed: every link is made anew, and those of the
  // session now are told of this copy again, and answer.
  session_word_ = std::make_unique<SessionWord>(
      SessionWord::Parts{*env_.dialogs, *Udp1, *presence_, *ui_.Label_Notice,
                         [this](bool closed, const QString& tip) {
                           ShowSessionLock(ui_, closed, tip);
                         },
                         env_.program_dir + kSessionWordFile, [this] {
                           if (session_) session_->Links().ForgetAll();
                           correspondents_menu_->N9Click();
                         },
                         [this](const ReceivedDatagram& datagram) { Udp1DataReceived(datagram); }});
  session_word_->Load();
  // Nobody listening at a copy that speaks the extension is checked with it first.
  Udp1->OnPortUnreachable = [this](const std::string& host) {
    Guard([&] {
      if (!session_ || !session_->Suspect(host)) presence_->Unreachable(host);
    });
  };
  if (env_.delivery_extension) {
    session_ = std::make_unique<SessionLinks>(SessionLinks::Parts{
        dialogs_, *Udp1, *fan_out_, *board_sending_, *presence_, *chat_, canvas_, board_files_,
        board_history_, env_.computer_name,
        [this](const QString& text) { ui_.Label_Notice->Tell(QString(), text); },
        [this] { ui_.Image_KV->Show(&canvas_.Image()); },
        [this](quint32 from) { undo_->Replaced(from, QStringLiteral("прислал свою доску")); },
        [this](quint32 from, const QString& file, const QImage& before) {
          undo_->Aligned(from, file, before);
        },
        [this](const QString& name) { return board_commands_.PictureRefusal(name); },
        [this](const std::vector<std::vector<drawing::Command>>& steps) {
          return gestures_->DrawAgain(steps);
        },
        [this](quint32 address, quint16 port, const std::string& name) {
          undo_->FromPeer(address, port, name);
        },
        [this](const ReceivedCommand& command, quint32 address, quint16 port) {
          Dispatch(command, address, port);
        },
        [this] { return gestures_->Current().Drawing; }});
  }
  if (session_) {
    chat_->KeepForAbsent = [this](const auto&... sent) { session_->KeepForAbsent(sent...); };
    board_menu_->Wiping = [this] { session_->Wiping(); };
  }
  undo_ = std::make_unique<BoardUndo>(
      BoardUndo::Parts{*env_.dialogs, board_history_, board_files_, *fan_out_, *board_sending_,
                       *correspondents_, *presence_, [this] { return session_.get(); },
                       *ui_.Label_Notice, *ui_.RestoreBoard, *ui_.Edit_Mess},
      this);
}

void TForm1::Udp1DataReceived(const ReceivedDatagram& arrived) {
  if (closing_) return;  // the board is saved: what arrives now is drawn for nobody
  // In a closed session only what is sealed with its word is read.
  ReceivedDatagram datagram;
  std::string opened;
  if (!session_word_->Open(arrived, datagram, opened)) return;
  correspondents_menu_->HeardFrom(datagram.address);
  if (session_ && session_->TakeStream(datagram)) return;
  // A command is at most kMaxCommandText characters; what follows is not read.
  const std::string_view bytes = datagram.bytes.substr(0, kMaxCommandText);
  const auto received = ParseCommandText(bytes.data(), static_cast<int>(bytes.size()));
  if (!received) return;
  if (correspondents_menu_->Claimed(*received, datagram.address)) return;
  if (session_ && !session_->PassOn(datagram, *received)) return;
  // A picture's pixels come only in order, from a copy that speaks the extension.
  static const std::string kPaste = UpperText(command::kPaste);
  if (!session_ && received->name == kPaste) return;
  Dispatch(*received, datagram.address, datagram.port);
}

void TForm1::Dispatch(const ReceivedCommand& command, quint32 address, quint16 port) {
  // What goes wrong here is the sender's.
  const RoutedDialogs::FromPeer from(dialogs_, address);
  replay_.SetSender(address, port);
  sender_address_ = address;
  Guard([&] { commands_.Dispatch(command); });  // an unknown command is ignored
  sender_address_ = 0;
  replay_.SetSender(0, 0);
}

void TForm1::RegisterCommands() {
  RegisterReceivedCommands(
      commands_,
      {board_commands_, replay_, *presence_, [this] { return sender_address_; },
       [this](const drawing::CursorTo& at) { gestures_->ReceivedPointer(at, sender_address_); },
       [this](const std::string& args, quint32 from) { chat_->ReceivedMessage(args, from); }});
}

void TForm1::Udp1InvalidHost(const std::string& name, bool& handled) {
  handled = false;
  // A goodbye that cannot be delivered is skipped without a word, and a name
  // is told of once until a send to it goes through again.
  if (closing_ || fan_out_->Unreachable(name)) return;
  correspondents_menu_->NotFound(name);
}

void TForm1::Udp1BufferInvalid(bool&, std::vector<char>&, int&) {
  env_.dialogs->ShowMessage(QStringLiteral("Error!  \"BufferInvalid\""));
}

}  // namespace kovra
