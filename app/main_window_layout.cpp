// The window's menus and its timer.
#include <QAction>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <functional>

#include "app/chat_lines.h"
#include "app/chat_view.h"
#include "app/main_window.h"
#include "app/window_layout.h"
#include "board/board_view.h"
#include "net/correspondents.h"

namespace kovra {

void TForm1::BuildLayout() {
  BuildWindowLayout(*this, ui_, correspondents_);
  ui_.RE_Mess->SetLines(new ChatLines(history_, *correspondents_, this), env_.computer_name);
  connect(ui_.Image_KV, &BoardView::ZoomChanged, this,
          [this](int percent) { ui_.Label_Zoom->setText(QStringLiteral("%1%").arg(percent)); });
  Timer1 = Named(new QTimer(this), "Timer1");
  Timer1->setInterval(100);
  BuildMenus();
  connect(ui_.ListUser, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    ui_.PopupMenu2->popup(ui_.ListUser->viewport()->mapToGlobal(at));
  });
}

QAction* TForm1::MenuItem(QMenu* menu, const char* name, const QString& caption,
                          std::function<void()> handler) {
  // Each item's handler runs through the error guard.
  QAction* action = Named(menu->addAction(caption), name);
  connect(action, &QAction::triggered, this, [this, handler] { Guard(handler); });
  return action;
}

void TForm1::BuildMenus() {
  // The controllers are made after the menus: their items find them when used.
  auto board = [this](void (BoardMenu::*handler)()) {
    return [this, handler] { (board_menu_.get()->*handler)(); };
  };
  auto separator = [](QMenu* menu, const char* name) { Named(menu->addSeparator(), name); };

  QMenuBar* bar = Named(menuBar(), "MainMenu1");
  QMenu* board_menu = Named(bar->addMenu(QStringLiteral("Доска")), "N1");
  board_menu->setToolTipsVisible(true);
  QAction* undo = MenuItem(board_menu, "Undo", QStringLiteral("Отменить"), [this] { undo_->Undo(); });
  undo->setShortcuts(QKeySequence::Undo);
  QAction* redo = MenuItem(board_menu, "Redo", QStringLiteral("Повторить"), [this] { undo_->Redo(); });
  redo->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  // The message field keeps these keys for its text while it has text to take them.
  MenuItem(board_menu, "Paste", QStringLiteral("Вставить"), [this] { pieces_->PasteFromClipboard(); })
      ->setShortcut(QKeySequence::Paste);
  MenuItem(board_menu, "Copy", QStringLiteral("Копировать"), [this] { pieces_->CopyToClipboard(); })
      ->setShortcut(QKeySequence::Copy);
  separator(board_menu, "UndoSeparator");
  MenuItem(board_menu, "N2", QStringLiteral("Новая (все стереть)"), board(&BoardMenu::N2Click));
  MenuItem(board_menu, "N10", QStringLiteral("Сохранить на диск"), board(&BoardMenu::N10Click))
      ->setToolTip(QStringLiteral("Записать доску в ~kv.bmp сейчас (это делается и само) и "
                                  "попросить всех сделать то же"));
  MenuItem(board_menu, "N11", QStringLiteral("Загрузить с диска"), board(&BoardMenu::N11Click));
  separator(board_menu, "N5");
  MenuItem(board_menu, "N3", QStringLiteral("Загрузить из файла"), board(&BoardMenu::N3Click));
  MenuItem(board_menu, "N4", QStringLiteral("Сохранить в файл"), board(&BoardMenu::N4Click))
      ->setToolTip(QStringLiteral("Сохранить доску картинкой BMP в папку BMP под своим именем; "
                                  "у всех она сохранится под тем же"));
  separator(board_menu, "SendingSeparator");
  MenuItem(board_menu, "SendBoardToAll", QStringLiteral("Отправить доску всем"),
       board(&BoardMenu::SendBoardToAllClick));
  MenuItem(board_menu, "SaveAsPng", QStringLiteral("Сохранить как PNG…"),
       board(&BoardMenu::SavePngClick))
      ->setToolTip(QStringLiteral("Сохранить доску картинкой PNG куда угодно; только у себя"));
  BuildZoomMenu(bar, ui_.Image_KV);
  BuildNetworkMenus(bar);
}

void TForm1::BuildNetworkMenus(QMenuBar* bar) {
  // The controller is made after the menus: its items find it when used.
  auto list = [this](void (CorrespondentsMenu::*handler)()) {
    return [this, handler] { (correspondents_menu_.get()->*handler)(); };
  };
  QMenu* network = Named(bar->addMenu(QStringLiteral("Сеть")), "N8");
  MenuItem(network, "N9", QStringLiteral("Сообщить о себе всем"), list(&CorrespondentsMenu::N9Click));
  MenuItem(network, "FindEveryone", QStringLiteral("Найти всех в сети"),
       list(&CorrespondentsMenu::FindEveryoneClick));
  MenuItem(network, "SessionWord", QStringLiteral("Пароль сеанса…"), [this] {
    session_word_->Ask();
  })->setToolTip(QStringLiteral("Закрыть сеанс для всех, у кого нет того же пароля"));
  QMenu* removed =
      Named(network->addMenu(QStringLiteral("Убранные компьютеры")), "RemovedComputers");
  connect(removed, &QMenu::aboutToShow, this,
          [this, removed] { correspondents_menu_->FillRemovedMenu(*removed); });
  Named(network->addSeparator(), "N12");

  ui_.PopupMenu2 = Named(new QMenu(ui_.ListUser), "PopupMenu2");
  MenuItem(ui_.PopupMenu2, "N6", QStringLiteral("Добавить"), list(&CorrespondentsMenu::N6Click));
  MenuItem(ui_.PopupMenu2, "N7", QStringLiteral("Удалить"), list(&CorrespondentsMenu::N7Click));
  MenuItem(ui_.PopupMenu2, "SendBoardToOne", QStringLiteral("Отправить доску"),
       [this] { board_menu_->SendBoardClick(); });
}

}  // namespace kovra
