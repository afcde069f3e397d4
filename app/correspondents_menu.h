// The correspondent list's pop-up items "Добавить" and "Удалить", and the
// network menu's "Сообщить о себе всем" and "Найти всех в сети": who is
// asked, and how many answer, told in the notice line. Each handler bears
// its menu item's name.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "app/answer_count.h"

class QListView;

namespace kovra {

class Correspondents;
class Dialogs;
class Presence;

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
  };
  explicit CorrespondentsMenu(Parts parts);

  void N6Click();            // "Добавить"
  void N7Click();            // "Удалить"
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

 private:
  Parts parts_;
  AnswerCount answers_;
  std::string introducing_;
};

}  // namespace kovra
