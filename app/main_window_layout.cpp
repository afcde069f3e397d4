// The window's menus and its timer.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include "app/main_window.h"
#include "app/window_layout.h"
#include "board/board_view.h"
#include "net/correspondents.h"

namespace kovra {

void TForm1::BuildLayout() {
  BuildWindowLayout(*this, *this, &history_, correspondents_);
  Timer1 = Named(new QTimer(this), "Timer1");
  Timer1->setInterval(100);
  BuildMenus();
}

void TForm1::BuildMenus() {
  auto item = [this](QMenu* menu, const char* name, const QString& caption,
                     void (TForm1::*handler)()) {
    QAction* action = Named(menu->addAction(caption), name);
    connect(action, &QAction::triggered, this,
            [this, handler] { Guard([&] { (this->*handler)(); }); });
  };
  // The board menu's items, made once the window's parts are.
  auto board_item = [this](QMenu* menu, const char* name, const QString& caption,
                           void (BoardMenu::*handler)()) {
    QAction* action = Named(menu->addAction(caption), name);
    connect(action, &QAction::triggered, this,
            [this, handler] { Guard([&] { (board_menu_.get()->*handler)(); }); });
  };
  auto separator = [](QMenu* menu, const char* name) { Named(menu->addSeparator(), name); };

  QMenuBar* bar = Named(menuBar(), "MainMenu1");
  QMenu* board = Named(bar->addMenu(QStringLiteral("Доска")), "N1");
  board_item(board, "N2", QStringLiteral("Новая (все стереть)"), &BoardMenu::N2Click);
  board_item(board, "N10", QStringLiteral("Сохранить на диск"), &BoardMenu::N10Click);
  board_item(board, "N11", QStringLiteral("Загрузить с диска"), &BoardMenu::N11Click);
  separator(board, "N5");
  board_item(board, "N3", QStringLiteral("Загрузить из файла"), &BoardMenu::N3Click);
  board_item(board, "N4", QStringLiteral("Сохранить в файл"), &BoardMenu::N4Click);
  separator(board, "N13");
  board_item(board, "N14", QStringLiteral("Отправить доску всем"), &BoardMenu::SendBoardToAllClick);
  board_item(board, "N16", QStringLiteral("Сохранить как PNG…"), &BoardMenu::SavePngClick);
  // Zoom: Ctrl with "+", "-" and "0", as Ctrl with the wheel on the board.
  QMenu* view = Named(bar->addMenu(QStringLiteral("Вид")), "N18");
  auto zoom = [this, view](const char* name, const QString& caption, QList<QKeySequence> keys,
                           int step) {
    QAction* action = Named(view->addAction(caption), name);
    action->setShortcuts(keys);
    connect(action, &QAction::triggered, this,
            [this, step] { step == 0 ? Image_KV->SetZoom(100) : Image_KV->StepZoom(step); });
  };
  zoom("N19", QStringLiteral("Крупнее"),
       {QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)}, 1);
  zoom("N20", QStringLiteral("Мельче"), {QKeySequence::ZoomOut}, -1);
  zoom("N21", QStringLiteral("Обычный размер"), {QKeySequence(Qt::CTRL | Qt::Key_0)}, 0);
  QMenu* network = Named(bar->addMenu(QStringLiteral("Сеть")), "N8");
  item(network, "N9", QStringLiteral("Сообщить о себе всем"), &TForm1::N9Click);
  item(network, "N17", QStringLiteral("Найти всех в сети"), &TForm1::FindEveryoneClick);
  separator(network, "N12");

  PopupMenu2 = Named(new QMenu(ListUser), "PopupMenu2");
  item(PopupMenu2, "N6", QStringLiteral("Добавить"), &TForm1::N6Click);
  item(PopupMenu2, "N7", QStringLiteral("Удалить"), &TForm1::N7Click);
  board_item(PopupMenu2, "N15", QStringLiteral("Отправить доску"), &BoardMenu::SendBoardClick);
  connect(ListUser, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu2->popup(ListUser->viewport()->mapToGlobal(at)); });
}

}  // namespace kovra
