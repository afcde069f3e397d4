// Correspondents, presence and chat: the list's menu items, the presence
// commands, and sending and receiving message lines.
#include <QApplication>
#include <QLineEdit>
#include <QTime>
#include <set>

#include "app/main_window.h"
#include "net/command.h"
#include "net/correspondents.h"
#include "net/local_networks.h"
#include "support/ansi_codec.h"
#include "support/system.h"

namespace kovra {
namespace {

const QString kComputers = QStringLiteral("компьютеров");

}  // namespace

void TForm1::N6Click() {
  // Modal: datagrams are handled while the prompt is open.
  const auto typed = env_.dialogs->InputText(QStringLiteral("Новый корреспондент"),
                                             QStringLiteral("Введите имя компьютера"), QString());
  if (!typed) return;
  const auto name = presence_->Add(QStringToAnsi(*typed));
  if (!name) return;
  ListUser->setCurrentIndex(correspondents_->index(correspondents_->Count() - 1));
  answers_->Begin({*name});
  // A name that cannot be reached is told of in a box: the user just typed it.
  introducing_ = *name;
  const bool asked = presence_->Introduce(*name);
  introducing_.clear();
  if (asked) answers_->Asked(1, kComputers);
}

void TForm1::N7Click() {
  const QModelIndex highlighted = ListUser->currentIndex();
  if (!highlighted.isValid()) return;
  presence_->Remove(highlighted.row());
  ListUser->setCurrentIndex(QModelIndex());  // no line is highlighted afterwards
}

// Those running answer "IamToo" and are marked present again.
void TForm1::N9Click() {
  std::set<std::string> names;
  for (const std::string& line : correspondents_->Lines()) {
    const std::string name = Correspondents::NameOf(line);
    if (!name.empty()) names.insert(name);
  }
  answers_->Begin(std::move(names));
  answers_->Asked(presence_->AskEveryone(), kComputers);
}

int TForm1::FindEveryone() {
  const std::vector<std::string> addresses =
      env_.broadcast_addresses ? env_.broadcast_addresses() : LocalBroadcastAddresses();
  return presence_->FindEveryone(addresses);
}

void TForm1::FindEveryoneClick() {
  answers_->Begin({});  // whoever answers from anywhere
  const int asked = FindEveryone();
  if (asked == 0) {
    env_.dialogs->ShowMessage(QStringLiteral("Не найдено ни одной сети IPv4, где можно искать"));
    return;
  }
  answers_->Asked(asked, QStringLiteral("сетей"));
}

bool TForm1::AllowedToLoseCharacters(const QString& text) {
  const QStringList lost = CharactersOutsideAnsi(text);
  if (lost.isEmpty()) return true;
  return env_.dialogs->Confirm(
      QStringLiteral(
          "Эти знаки не дойдут до других и станут «?»: %1\nОтправить остальное как есть?")
          .arg(lost.join(u' ')));
}

void TForm1::SpeedButton1Click() {
  if (!AllowedToLoseCharacters(Edit_Mess->text().trimmed())) return;  // kept to be mended
  const std::string typed = QStringToAnsi(Edit_Mess->text());
  auto line_now = [&] {
    return BuildMessageLine(QStringToAnsi(LongTimeText(QTime::currentTime())), env_.computer_name,
                            typed);
  };
  if (line_now().empty()) return;
  // Runs the event loop: lines received meanwhile go on top first.
  fan_out_->SendToCorrespondents(command::kMessage, line_now(), false);
  // Built again, so the line kept shows when the walk ended, as it always has.
  history_.AddAndSave(line_now());
  Edit_Mess->clear();
  Edit_Mess->setFocus();
}

void TForm1::ReceivedMessage(const std::string& args) {
  // Anyone's message is shown; only a listed sender's address is learned.
  const std::string sender = MessageSenderName(args);
  if (!sender.empty() && correspondents_->Find(sender) >= 0) {
    presence_->HeardFrom(sender, sender_address_);
  }
  history_.AddAndSave(args);
  if (!isActiveWindow()) {
    ++unread_;
    ShowUnread();
    QApplication::alert(this);  // the taskbar entry asks for attention
  }
}

}  // namespace kovra
