#include "app/correspondents_menu.h"

#include <QListView>
#include <set>

#include "net/correspondents.h"
#include "net/local_networks.h"
#include "net/presence.h"
#include "support/ansi_codec.h"
#include "support/dialogs.h"

namespace kovra {
namespace {

const QString kComputers = QStringLiteral("компьютеров");

}  // namespace

CorrespondentsMenu::CorrespondentsMenu(Parts parts)
    : parts_(std::move(parts)), answers_(parts_.tell) {}

void CorrespondentsMenu::N6Click() {
  // Modal: datagrams are handled while the prompt is open.
  const auto typed = parts_.dialogs.InputText(QStringLiteral("Новый корреспондент"),
                                              QStringLiteral("Введите имя компьютера"), QString());
  if (!typed) return;
  const auto name = parts_.presence.Add(QStringToAnsi(*typed));
  if (!name) return;
  parts_.list_view.setCurrentIndex(parts_.list.index(parts_.list.Count() - 1));
  answers_.Begin({*name});
  // A name that cannot be reached is told of in a box: the user just typed it.
  introducing_ = *name;
  const bool asked = parts_.presence.Introduce(*name);
  introducing_.clear();
  if (asked) answers_.Asked(1, kComputers);
}

void CorrespondentsMenu::N7Click() {
  const QModelIndex highlighted = parts_.list_view.currentIndex();
  if (!highlighted.isValid()) return;
  // A line typed once and heard from since is not lost at a slip of the mouse.
  const QString name =
      AnsiToQString(Correspondents::NameOf(parts_.list.Line(highlighted.row()))).trimmed();
  if (!name.isEmpty() &&
      !parts_.dialogs.Confirm(QStringLiteral("Убрать «%1» из списка корреспондентов?").arg(name))) {
    return;
  }
  parts_.presence.Remove(highlighted.row());
  parts_.list_view.setCurrentIndex(QModelIndex());  // no line is highlighted afterwards
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
