// Chat: sending and receiving message lines.
#include <QApplication>
#include <QLineEdit>
#include <QTime>

#include "app/main_window.h"
#include "net/command.h"
#include "net/correspondents.h"
#include "support/ansi_codec.h"
#include "support/system.h"

namespace kovra {

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
