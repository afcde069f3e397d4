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
  auto separator = [](QMenu* menu, const char* name) { Named(menu->addSeparator(), name); };

  QMenuBar* bar = Named(menuBar(), "MainMenu1");
  QMenu* board = Named(bar->addMenu(QStringLiteral("Доска")), "N1");
  item(board, "N2", QStringLiteral("Новая (все стереть)"), &TForm1::N2Click);
  item(board, "N10", QStringLiteral("Сохранить на диск"), &TForm1::N10Click);
  item(board, "N11", QStringLiteral("Загрузить с диска"), &TForm1::N11Click);
  separator(board, "N5");
  item(board, "N3", QStringLiteral("Загрузить из файла"), &TForm1::N3Click);
  item(board, "N4", QStringLiteral("Сохранить в файл"), &TForm1::N4Click);
  separator(board, "N13");
  item(board, "N14", QStringLiteral("Отправить доску всем"), &TForm1::SendBoardToAllClick);
  item(board, "N16", QStringLiteral("Сохранить как PNG…"), &TForm1::SavePngClick);
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
  item(PopupMenu2, "N15", QStringLiteral("Отправить доску"), &TForm1::SendBoardClick);
  connect(ListUser, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu2->popup(ListUser->viewport()->mapToGlobal(at)); });
}

}  // namespace kovra
