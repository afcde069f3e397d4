// Correspondents, presence and chat: the list's menu items, the presence
// commands, and sending and receiving message lines.
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QClipboard>
#include <QGuiApplication>
#include <algorithm>
#include <QTime>

#include "app/main_window.h"
#include "net/command.h"
#include "net/correspondents.h"
#include "support/ansi_codec.h"
#include "support/state_files.h"
#include "support/system.h"
#include "support/text.h"

namespace kovra {

void TForm1::SaveCorrespondents() {
  if (DriveWritable(ProgramDir_)) correspondents_->Save(ProgramDir_ + kCorrespondentFile);
}

void TForm1::N6Click() {
  // Modal: datagrams are handled while the prompt is open.
  const auto typed = env_.dialogs->InputText(QStringLiteral("Новый корреспондент"),
                                             QStringLiteral("Введите имя компьютера"), QString());
  if (!typed) return;
  const std::string name = UpperText(TrimText(QStringToAnsi(*typed)));
  if (name.empty() || name == UpperText(env_.computer_name)) return;
  correspondents_->Append(name + "=No");
  ListUser->setCurrentIndex(correspondents_->index(correspondents_->Count() - 1));
  SaveCorrespondents();
  fan_out_->SendCommand(name, command::kEnter, env_.computer_name);
}

void TForm1::N7Click() {
  const QModelIndex highlighted = ListUser->currentIndex();
  if (!highlighted.isValid()) return;
  correspondents_->Remove(highlighted.row());
  ListUser->setCurrentIndex(QModelIndex());  // no line is highlighted afterwards
  SaveCorrespondents();
}

void TForm1::N9Click() {
  correspondents_->MarkAllAbsent();
  // Those running answer "IamToo" and are marked present again.
  fan_out_->SendToCorrespondents(command::kEnter, env_.computer_name, true);
}

void TForm1::ReceivedEnter(const std::string& args) {
  correspondents_->SetPresence(args, "Yes");
  fan_out_->SendToCorrespondents(command::kIamToo, env_.computer_name, true);
}

void TForm1::ReceivedIamToo(const std::string& args) { correspondents_->SetPresence(args, "Yes"); }

void TForm1::ReceivedExit(const std::string& args) { correspondents_->SetPresence(args, "No"); }

void TForm1::LoadMessageHistory() {
  const QString path = ProgramDir_ + kMessageHistoryFile;
  const std::size_t arrived_early = history_.Count();
  if (QFileInfo::exists(path)) {
    history_.Load(path);
  } else {
    history_.MarkLoaded();
  }
  // Lines that arrived before the load are stored with it now.
  if (arrived_early > 0) SaveMessageHistory();
}

void TForm1::SaveMessageHistory() {
  if (DriveWritable(ProgramDir_)) history_.Save(ProgramDir_ + kMessageHistoryFile);
}

void TForm1::AddMessageLine(const std::string& line) {
  history_.Add(line);
  SaveMessageHistory();
}

void TForm1::CopySelectedMessages() {
  QModelIndexList rows = RE_Mess->selectionModel()->selectedRows();
  std::sort(rows.begin(), rows.end());
  QStringList lines;
  for (const QModelIndex& row : rows) lines.append(row.data().toString());
  QGuiApplication::clipboard()->setText(lines.join(u'\n'));
}

void TForm1::SpeedButton1Click() {
  const std::string typed = QStringToAnsi(Edit_Mess->text());
  auto line_now = [&] {
    return BuildMessageLine(QStringToAnsi(LongTimeText(QTime::currentTime())), env_.computer_name,
                            typed);
  };
  if (line_now().empty()) return;
  // Runs the event loop: lines received meanwhile go on top first.
  fan_out_->SendToCorrespondents(command::kMessage, line_now(), false);
  AddMessageLine(line_now());
  Edit_Mess->clear();
  Edit_Mess->setFocus();
}

void TForm1::ReceivedMessage(const std::string& args) { AddMessageLine(args); }

}  // namespace kovra
