// The board menu ("Доска") and the list's "Отправить доску": a new board,
// the working file ~kv.bmp and the pictures in the folder BMP, each followed
// by its command to the present correspondents, the PNG export, and the
// sending of the whole board. Each handler bears its menu item's name.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

class QListView;

namespace kovra {

class BoardCanvas;
class BoardFiles;
class BoardSending;
class BoardView;
class Correspondents;
class Dialogs;
class FanOut;

class BoardMenu {
 public:
  // What the menu works on; all of it outlives the menu.
  struct Parts {
    Dialogs& dialogs;
    BoardFiles& files;
    const BoardCanvas& canvas;
    FanOut& fan_out;
    BoardSending& sending;
    Correspondents& list;
    BoardView& view;       // the board as shown: its size at the zoom
    QListView& list_view;  // whose highlighted line "Отправить доску" sends to
    QString program_dir;
  };
  explicit BoardMenu(Parts parts) : parts_(std::move(parts)) {}

  // Said to, just before a new board goes to the others.
  std::function<void()> Wiping;

  void N2Click();              // "Новая (все стереть)"
  void N10Click();             // "Сохранить на диск"
  void N11Click();             // "Загрузить с диска"
  void N3Click();              // "Загрузить из файла"
  void N4Click();              // "Сохранить в файл"
  void SendBoardToAllClick();  // "Отправить доску всем"
  void SendBoardClick();       // the list's "Отправить доску"
  void SavePngClick();         // "Сохранить как PNG…"

 private:
  // After a picture of the folder was loaded or saved, the others do the
  // same with it; otherwise the user is told failure and its path.
  void TellPicture(bool done, const std::string& command, const QString& chosen,
                   const QString& failure);
  // Asks question, its "%1" naming the boards it changes: the present
  // correspondents', and the user's own when own_board_too.
  bool AskForEveryone(const QString& question, bool own_board_too);
  QString ForEveryone(const QString& question, bool own_board_too) const;
  // The whole board to each of names, after asking when it takes a while
  // unless the user was asked already.
  void SendBoard(std::vector<std::string> names, bool asked = false);

  Parts parts_;
};

}  // namespace kovra
