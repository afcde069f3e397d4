#include "app/chat_pane.h"

#include <set>

#include <QApplication>
#include <QLineEdit>
#include <QTime>
#include <algorithm>
#include <utility>

#include "net/command.h"
#include "net/correspondents.h"
#include "net/fan_out.h"
#include "net/message_history.h"
#include "net/presence.h"
#include "support/ansi_codec.h"
#include "support/dialogs.h"
#include "support/system.h"

namespace kovra {

ChatPane::ChatPane(Parts parts) : parts_(std::move(parts)) {
  // Lines that come together, as a flood's do, change the title once.
  title_due_.setSingleShot(true);
  title_due_.setInterval(0);
  QObject::connect(&title_due_, &QTimer::timeout, &title_due_, [this] { ShowUnread(); });
  status_due_.setSingleShot(true);
  status_due_.setInterval(kStatusGatherMs);
  QObject::connect(&status_due_, &QTimer::timeout, &status_due_, [this] { WriteStatus(); });
}

bool ChatPane::AllowedToLoseCharacters(const QString& text) {
  const QStringList lost = CharactersOutsideAnsi(text);
  if (lost.isEmpty()) return true;
  return parts_.dialogs.Confirm(
      QStringLiteral(
          "Эти знаки не дойдут до других и станут «?»: %1\nОтправить остальное как есть?")
          .arg(lost.join(u' ')));
}

void ChatPane::SpeedButton1Click() {
  QLineEdit& edit = parts_.edit;
  if (!AllowedToLoseCharacters(edit.text().trimmed())) return;  // kept to be mended
  const std::string typed = QStringToAnsi(edit.text());
  auto line_now = [&] {
    return BuildMessageLine(QStringToAnsi(LongTimeText(QTime::currentTime())), parts_.computer_name,
                            typed);
  };
  if (line_now().empty()) return;
  // Runs the event loop: lines received meanwhile go on top first.
  const std::string sent = line_now();
  std::set<std::string> reached;
  parts_.fan_out.SendToCorrespondents(command::kMessage, sent, false,
                                      [&](const std::string& name) { reached.insert(name); });
  // Built again, so the line kept shows when the walk ended, as it always has.
  parts_.history.AddAndSave(line_now(), MessageHistory::Origin::kOwn);
  // A copy the walk reached and that went away meanwhile has the line in
  // its stream already: kept again, it would show twice.
  if (KeepForAbsent) KeepForAbsent(sent, reached);
  edit.clear();
  edit.setFocus();
}

void ChatPane::ReceivedMessage(const std::string& args, quint32 from) {
  // Anyone's message is shown; only a listed sender's address is learned.
  const std::string sender = MessageSenderName(args);
  if (!sender.empty() && parts_.list.Find(sender) >= 0) parts_.presence.HeardFrom(sender, from);
  parts_.history.AddAndSave(args);
  if (!parts_.window.isActiveWindow()) {
    // The taskbar entry asks for attention, once until the window is seen.
    if (unread_++ == 0) QApplication::alert(&parts_.window);
    if (!title_due_.isActive()) title_due_.start();
  }
}

void ChatPane::Undelivered(const std::string& name, const std::string& line, bool after_all) {
  auto same = std::find_if(statuses_.begin(), statuses_.end(), [&](const Status& status) {
    return status.after_all == after_all && status.line == line;
  });
  if (same == statuses_.end()) {
    statuses_.push_back(Status{after_all, line, {}});
    same = std::prev(statuses_.end());
  }
  std::vector<std::string>& names = same->names;
  if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  if (!status_due_.isActive()) status_due_.start();
}

void ChatPane::WriteStatus() {
  for (const Status& status : std::exchange(statuses_, {})) {
    const QString what = status.after_all ? QStringLiteral("доставлено позже ")
                                          : QStringLiteral("не доставлено ");
    std::string who;
    for (std::size_t i = 0; i < status.names.size() && i < kNamesShown; ++i) {
      who += (i > 0 ? ", " : "") + status.names[i];
    }
    if (status.names.size() > kNamesShown) {
      who += QStringToAnsi(QStringLiteral(" и ещё %1").arg(status.names.size() - kNamesShown));
    }
    parts_.history.AddAndSave(QStringToAnsi(what) + who + ": " + status.line,
                              MessageHistory::Origin::kStatus);
  }
}

void ChatPane::WindowActivated() {
  if (unread_ == 0) return;
  unread_ = 0;
  ShowUnread();
}

void ChatPane::ShowUnread() {
  parts_.window.setWindowTitle(unread_ > 0 ? QStringLiteral("(%1) Kovra").arg(unread_)
                                           : QStringLiteral("Kovra"));
}

}  // namespace kovra
