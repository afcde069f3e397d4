// The message pane's side of the window: sending the typed line with ">"
// (or Enter), showing each received line, and counting in the title the
// lines that came while the window was not the active one.
#pragma once

#include <QString>
#include <QTimer>
#include <QtGlobal>
#include <functional>
#include <set>
#include <string>
#include <vector>

class QLineEdit;
class QWidget;

namespace kovra {

class Correspondents;
class Dialogs;
class FanOut;
class MessageHistory;
class Presence;

class ChatPane {
 public:
  // What the pane works on; all of it outlives the pane.
  struct Parts {
    Dialogs& dialogs;
    FanOut& fan_out;
    MessageHistory& history;
    Presence& presence;
    Correspondents& list;
    QLineEdit& edit;  // Edit_Mess
    QWidget& window;  // whose title counts the unread lines
    std::string computer_name;
  };
  explicit ChatPane(Parts parts);

  // A line sent to the present correspondents, to keep for those away
  // until they are back.
  std::function<void(const std::string& line, const std::set<std::string>& reached)> KeepForAbsent;

  // ">" after the typed message: the line to every present correspondent.
  void SpeedButton1Click();
  // "Message": a line from the computer at from (host order; 0 unknown).
  void ReceivedMessage(const std::string& args, quint32 from = 0);
  // A line of this computer's that name did not acknowledge, or (after_all)
  // acknowledged later: marked so in the pane, under the line. The names
  // told of within a moment share one line per message, so that copies
  // by the dozen (or one host's many addresses) add one line, not dozens.
  void Undelivered(const std::string& name, const std::string& line, bool after_all = false);
  static constexpr int kStatusGatherMs = 100;
  static constexpr std::size_t kNamesShown = 3;
  // The window became the active one: everything has been seen.
  void WindowActivated();
  // True when text travels whole, or the user agrees that the characters
  // the code page cannot hold become "?".
  bool AllowedToLoseCharacters(const QString& text);

 private:
  // The title, with the number of lines that came unseen.
  void ShowUnread();
  void WriteStatus();

  Parts parts_;
  int unread_ = 0;
  QTimer title_due_;  // lines came unseen since the title was written
  struct Status {
    bool after_all = false;
    std::string line;
    std::vector<std::string> names;
  };
  std::vector<Status> statuses_;  // gathered, in the order first told
  QTimer status_due_;
};

}  // namespace kovra
