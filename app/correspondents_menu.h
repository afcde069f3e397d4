// The correspondent list's pop-up items "Добавить" and "Удалить", and the
// network menu's "Сообщить о себе всем", "Найти всех в сети" and the
// computers removed: who is asked, and how many answer, told in the notice
// line. Each handler bears its menu item's name.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "app/answer_count.h"
#include "net/removed_computers.h"

class QListView;
class QMenu;

namespace kovra {

class Correspondents;
class Dialogs;
class Presence;
struct ReceivedCommand;

class CorrespondentsMenu {
 public:
  // What the menu works on; all of it outlives the menu.
  struct Parts {
    Dialogs& dialogs;
    Presence& presence;
    Correspondents& list;
    QListView& list_view;
    // The broadcast addresses of the local networks (dotted).
    std::function<std::vector<std::string>()> broadcast_addresses;
    // Says a line in the notice line.
    std::function<void(const QString&)> tell;
    // The file of the computers removed.
    QString removed_file;
    // Drops the link to a computer the user removed, at its address.
    std::function<void(quint32 address)> forget;
  };
  explicit CorrespondentsMenu(Parts parts);

  void N6Click();            // "Добавить"
  void N7Click();            // "Удалить": nothing more to or from that computer
  void N9Click();            // "Сообщить о себе всем"
  void FindEveryoneClick();  // "Найти всех в сети"
  // "Enter" to the broadcast address of every local network; how many.
  int FindEveryone();
  // The broadcast addresses of the local networks, as dotted text.
  std::vector<std::string> Networks() const;

  // The name just typed into "Добавить" while it is greeted, else empty:
  // a name the user typed that cannot be reached is told in a box.
  const std::string& Introducing() const { return introducing_; }
  // A send found no computer of that name: a box for the name just
  // added, else the notice line (a name of the list, at every start and
  // every walk).
  void NotFound(const std::string& name);
  // A computer answered: its announced name and dotted address.
  void Heard(const std::string& name, const std::string& dotted) { answers_.Heard(name, dotted); }
  // Any datagram from address while answers are counted: a copy linked
  // through the extension answers that way, whether or not its "IamToo" comes.
  void HeardFrom(quint32 address);

  // The computers removed, read from their file; a failure is told.
  void LoadRemoved();
  const RemovedComputers& Removed() const { return removed_; }
  // Whether the command is a removed computer announcing itself from
  // address, which is refused from now on: the command is not for the window.
  bool Claimed(const ReceivedCommand& command, quint32 address);
  // The menu of the computers removed, each taken back when chosen.
  void FillRemovedMenu(QMenu& menu);
  void TakeBack(const std::string& name);

 private:
  Parts parts_;
  AnswerCount answers_;
  std::string introducing_;
  RemovedComputers removed_;
};

}  // namespace kovra
