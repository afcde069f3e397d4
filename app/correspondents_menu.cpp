#include "app/correspondents_menu.h"

#include <QListView>
#include <QMenu>
#include <algorithm>
#include <iterator>
#include <set>

#include "app/correspondent_delegate.h"
#include "net/command.h"
#include "net/correspondents.h"
#include "net/dotted_address.h"
#include "net/local_networks.h"
#include "net/presence.h"
#include "support/ansi_codec.h"
#include "support/dialogs.h"
#include "support/error_guard.h"
#include "support/text.h"

namespace kovra {
namespace {

const QString kComputers = QStringLiteral("компьютеров");

}  // namespace

CorrespondentsMenu::CorrespondentsMenu(Parts parts)
    : parts_(std::move(parts)), answers_(parts_.tell), removed_(parts_.removed_file) {}

void CorrespondentsMenu::N6Click() {
  // Modal: datagrams are handled while the prompt is open.
  const auto typed = parts_.dialogs.InputText(QStringLiteral("Новый корреспондент"),
                                              QStringLiteral("Введите имя компьютера"), QString());
  if (!typed) return;
  const auto name = parts_.presence.Add(QStringToAnsi(*typed));
  if (!name) return;
  HighlightLine(parts_.list_view, parts_.list.Count() - 1);
  answers_.Begin({*name});
  // A name that cannot be reached is told of in a box: the user just typed it.
  introducing_ = *name;
  const bool asked = parts_.presence.Introduce(*name);
  introducing_.clear();
  if (asked) answers_.Asked(1, kComputers);
}

void CorrespondentsMenu::N7Click() {
  const int highlighted = HighlightedLine(parts_.list_view);
  if (highlighted < 0) return;
  // A line typed once and heard from since is not lost at a slip of the mouse.
  const std::string name = TrimText(Correspondents::NameOf(parts_.list.Line(highlighted)));
  const QString shown = AnsiToQString(name);
  if (!name.empty() &&
      !parts_.dialogs.Confirm(
          QStringLiteral("Убрать «%1» из списка корреспондентов? Kovra перестанет посылать ему "
                         "рисунки и сообщения и принимать их от него, и после перезапуска тоже. "
                         "Вернуть его можно в меню «Сеть» → «Убранные компьютеры».")
              .arg(shown))) {
    return;
  }
  parts_.presence.Remove(highlighted);
  HighlightLine(parts_.list_view, -1);  // no line is highlighted afterwards
  if (name.empty()) return;
  // Where it was heard, or the address it is; else where it first announces itself.
  std::optional<quint32> address = ParseDottedAddress(name);
  if (!address) address = parts_.presence.Addresses().Find(name);
  try {
    removed_.Remove(name, address);
  } catch (const Error& error) {
    parts_.tell(QStringLiteral("«%1» убран только до закрытия программы: ").arg(shown) +
                error.Message());
  }
  if (address && parts_.forget) parts_.forget(*address);
}

void CorrespondentsMenu::HeardFrom(quint32 address) {
  if (!answers_.Counting()) return;
  const std::string dotted = DottedAddressText(address);
  answers_.Heard(parts_.presence.Addresses().NameAt(address).value_or(dotted), dotted);
}

void CorrespondentsMenu::LoadRemoved() {
  try {
    removed_.Load();
  } catch (const Error& error) {
    parts_.tell(QStringLiteral("Список убранных компьютеров не прочитан: ") + error.Message());
  }
}

bool CorrespondentsMenu::Claimed(const ReceivedCommand& command, quint32 address) {
  static const std::string kNamed[] = {UpperText(command::kEnter), UpperText(command::kIamToo)};
  if (std::find(std::begin(kNamed), std::end(kNamed), command.name) == std::end(kNamed)) {
    return false;
  }
  return removed_.Claimed(command.args, address);
}

void CorrespondentsMenu::FillRemovedMenu(QMenu& menu) {
  menu.clear();
  for (const RemovedComputers::Computer& computer : removed_.Computers()) {
    QString caption = AnsiToQString(computer.name);
    if (computer.address && DottedAddressText(*computer.address) != computer.name) {
      caption +=
          QStringLiteral(" (%1)").arg(QString::fromStdString(DottedAddressText(*computer.address)));
    }
    const std::string name = computer.name;
    menu.addAction(caption, [this, name] { TakeBack(name); });
  }
  if (menu.isEmpty()) menu.addAction(QStringLiteral("Нет убранных"))->setEnabled(false);
}

void CorrespondentsMenu::TakeBack(const std::string& name) {
  const QString shown = AnsiToQString(name);
  if (!parts_.dialogs.Confirm(
          QStringLiteral("Вернуть «%1» в список корреспондентов? Kovra снова будет посылать ему "
                         "рисунки и сообщения и принимать их от него.")
              .arg(shown))) {
    return;
  }
  try {
    removed_.TakeBack(name);
  } catch (const Error& error) {
    parts_.tell(QStringLiteral("«%1» возвращён только до закрытия программы: ").arg(shown) +
                error.Message());
  }
  const auto added = parts_.presence.Add(name);
  if (!added) return;
  answers_.Begin({*added});
  if (parts_.presence.Introduce(*added)) answers_.Asked(1, kComputers);
}

// Those running answer "IamToo" and are marked present again.
void CorrespondentsMenu::N9Click() {
  std::set<std::string> names;
  for (const std::string& line : parts_.list.Lines()) {
    const std::string name = Correspondents::NameOf(line);
    if (!name.empty()) names.insert(name);
  }
  answers_.Begin(std::move(names));
  answers_.Asked(parts_.presence.AskEveryone(), kComputers);
}

std::vector<std::string> CorrespondentsMenu::Networks() const {
  return parts_.broadcast_addresses ? parts_.broadcast_addresses() : LocalBroadcastAddresses();
}

int CorrespondentsMenu::FindEveryone() { return parts_.presence.FindEveryone(Networks()); }

void CorrespondentsMenu::FindEveryoneClick() {
  answers_.Begin({});  // whoever answers from anywhere
  const int asked = FindEveryone();
  if (asked == 0) {
    parts_.dialogs.ShowMessage(QStringLiteral("Не найдено ни одной сети IPv4, где можно искать"));
    return;
  }
  answers_.Asked(asked, QStringLiteral("сетей"));
}

void CorrespondentsMenu::NotFound(const std::string& name) {
  if (!name.empty() && introducing_ == name) {
    parts_.dialogs.ShowMessage(
        QStringLiteral("Компьютер «%1» не найден в сети").arg(AnsiToQString(name)));
    return;
  }
  parts_.tell(AnsiToQString(name) + QStringLiteral(" не найден в сети"));
}

}  // namespace kovra
