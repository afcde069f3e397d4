#include "app/window_layout.h"

#include <QAction>
#include <QBoxLayout>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QSplitterHandle>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <algorithm>

#include "app/chat_view.h"
#include "app/correspondent_delegate.h"
#include "app/layout_parts.h"
#include "app/notice_line.h"
#include "board/board_view.h"
#include "board/canvas.h"
#include "net/message_history.h"
#include "support/ansi_codec.h"

namespace kovra {

namespace layout {

QFrame* Panel(QWidget* parent, const char* name, QFrame::Shadow shadow) {
  auto* panel = Named(new QFrame(parent), name);
  panel->setFrameStyle(QFrame::Panel | shadow);
  return panel;
}

QVBoxLayout* Column(QWidget* parent, int margin) {
  auto* layout = new QVBoxLayout(parent);
  layout->setContentsMargins(margin, margin, margin, margin);
  layout->setSpacing(0);
  return layout;
}

QSplitter* Splitter(Qt::Orientation orientation, QWidget* parent) {
  auto* splitter = new QSplitter(orientation, parent);
  splitter->setHandleWidth(3);
  splitter->setChildrenCollapsible(false);
  return splitter;
}

void NameHandle(QSplitter* splitter, int index, const char* name) {
  QSplitterHandle* handle = Named(splitter->handle(index), name);
  handle->setToolTip(QStringLiteral("Потяните, чтобы поделить место иначе"));
}

}  // namespace layout

namespace {

using namespace layout;

void BuildWindow(QMainWindow& form) {
  form.setWindowTitle(QStringLiteral("Kovra"));
  form.resize(790, 590);
  if (const QScreen* display = form.screen()) {
    form.move(display->availableGeometry().center() - form.rect().center());
  }
  QFont window_font = BoardCanvas::DrawnFont(BoardCanvas::DefaultFont());
  window_font.setPixelSize(11);
  form.setFont(window_font);
  Paint(&form, form.palette().color(QPalette::Button));
}

// The board with its drawing switch, on the left of the tool column.
void BuildBoardArea(WindowControls& form, QSplitter* board_split) {
  form.Panel3 = Panel(board_split, "Panel3");
  auto* panel3_column = Column(form.Panel3, 1);
  form.Panel9 = Panel(form.Panel3, "Panel9");
  form.Panel9->setFixedHeight(21);
  form.CB_YesPaint =
      Named(new QCheckBox(QStringLiteral("Жажду рисовать !!!"), form.Panel9), "CB_YesPaint");
  form.CB_YesPaint->setToolTip(QStringLiteral("Поставьте, чтобы рисовать на доске"));
  form.CB_YesPaint->setChecked(true);  // a first drag draws; the choice is kept from then on
  auto* switch_row = new QHBoxLayout(form.Panel9);
  switch_row->setContentsMargins(8, 1, 2, 1);
  switch_row->addWidget(form.CB_YesPaint);
  switch_row->addStretch(1);
  panel3_column->addWidget(form.Panel9);
  form.ScrollBox1 = Named(new QScrollArea(form.Panel3), "ScrollBox1");
  form.ScrollBox1->setMinimumSize(120, 80);
  form.ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  form.Image_KV = Named(new BoardView(), "Image_KV");
  form.Image_KV->setFixedSize(602, 385);
  form.Image_KV->setToolTip(kBoardTip);
  form.ScrollBox1->setWidget(form.Image_KV);
  panel3_column->addWidget(form.ScrollBox1, 1);
  form.PopupMenu1 = Named(new QMenu(form.Image_KV), "PopupMenu1");
  board_split->addWidget(form.Panel3);
}

// Panel4: the label, the send button, the message field and what is left of it.
void BuildSendRow(WindowControls& form) {
  form.Panel4 = Panel(form.GroupBox1, "Panel4");
  form.Panel4->setFixedHeight(26);
  auto* send_row = new QHBoxLayout(form.Panel4);
  send_row->setContentsMargins(2, 2, 4, 2);
  send_row->setSpacing(4);
  form.Label1 = Named(new QLabel(QStringLiteral("Сообщение послать "), form.Panel4), "Label1");
  form.Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  send_row->addWidget(form.Label1);
  form.SpeedButton1 = Named(new QToolButton(form.Panel4), "SpeedButton1");
  form.SpeedButton1->setText(QStringLiteral(">"));
  form.SpeedButton1->setAutoRaise(true);
  form.SpeedButton1->setFixedSize(23, 22);
  form.SpeedButton1->setToolTip(QStringLiteral("Послать сообщение всем в списке (Enter)"));
  send_row->addWidget(form.SpeedButton1);
  form.Edit_Mess = Named(new QLineEdit(form.Panel4), "Edit_Mess");
  form.Edit_Mess->setFixedHeight(21);
  form.Edit_Mess->setToolTip(
      QStringLiteral("Текст сообщения, до %1 знаков (больше не вводится); Enter посылает")
          .arg(kMaxMessageText));
  send_row->addWidget(form.Edit_Mess, 1);
  form.Label_Left = Named(new QLabel(form.Panel4), "Label_Left");
  form.Label_Left->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  form.Label_Left->setMinimumWidth(
      form.Label_Left->fontMetrics().horizontalAdvance(QStringLiteral("−0000")));
  form.Label_Left->setToolTip(QStringLiteral("Сколько знаков ещё войдёт в сообщение"));
  send_row->addWidget(form.Label_Left);
}

// The message pane beside the correspondent list, split between them.
QSplitter* BuildMessagePanes(WindowControls& form, QAbstractItemModel* correspondents) {
  auto* message_split = Splitter(Qt::Horizontal, form.GroupBox1);
  form.Panel5 = Panel(message_split, "Panel5");
  form.RE_Mess = Named(new ChatView(form.Panel5), "RE_Mess");
  form.RE_Mess->setMinimumHeight(3 * form.RE_Mess->fontMetrics().lineSpacing() + 8);
  form.RE_Mess->setToolTip(
      QStringLiteral("Сообщения, новые внизу; выделите строки мышью, Ctrl+C копирует их"));
  Column(form.Panel5, 1)->addWidget(form.RE_Mess);
  message_split->addWidget(form.Panel5);
  form.GroupBox3 =
      Named(new QGroupBox(QStringLiteral("Список корреспондентов : "), message_split), "GroupBox3");
  form.ListUser = Named(new QListView(form.GroupBox3), "ListUser");
  auto* order = new CorrespondentOrder(form.ListUser);
  order->setSourceModel(correspondents);
  form.ListUser->setModel(order);
  form.ListUser->setUniformItemSizes(true);
  form.ListUser->setSelectionMode(QAbstractItemView::SingleSelection);
  form.ListUser->setContextMenuPolicy(Qt::CustomContextMenu);
  form.ListUser->setItemDelegate(new CorrespondentDelegate(form.ListUser));
  // Three rows at the least, so that the board keeps its height in a short window.
  form.ListUser->setMinimumHeight(3 * form.ListUser->fontMetrics().lineSpacing() + 8);
  form.ListUser->setToolTip(QStringLiteral(
      "Компьютеры, с которыми вы переписываетесь и рисуете: зелёная точка — на "
      "связи, серый кружок — нет.\nПравая кнопка: добавить, удалить, отправить доску"));
  Column(form.GroupBox3)->addWidget(form.ListUser);
  message_split->addWidget(form.GroupBox3);
  message_split->setStretchFactor(0, 1);
  message_split->setSizes({560, 185});
  NameHandle(message_split, 1, "Splitter3");
  return message_split;
}

// The send row above the message pane and the correspondent list.
void BuildMessageArea(WindowControls& form, QSplitter* page_split,
                      QAbstractItemModel* correspondents) {
  form.GroupBox1 = Named(new QGroupBox(QStringLiteral("Сообщения : "), page_split), "GroupBox1");
  auto* message_column = Column(form.GroupBox1);
  BuildSendRow(form);
  message_column->addWidget(form.Panel4);
  message_column->addWidget(BuildMessagePanes(form, correspondents), 1);
}

// Panel1: the clock, the notice line, "Вернуть", when the board was written
// and the zoom, on one line whatever the notice says; the clock's tip lists the
// recent notices.
void BuildStatusBar(WindowControls& form, QWidget* central) {
  constexpr int kStatusBarHeight = 22;  // one line
  const QString clock_tip = QStringLiteral("Дата и время");
  form.Panel1 = Panel(central, "Panel1");
  form.Panel1->setFixedHeight(kStatusBarHeight);
  form.Label_DT = Named(new QLabel(QStringLiteral("..."), form.Panel1), "Label_DT");
  form.Label_DT->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  form.Label_DT->setToolTip(clock_tip);
  auto* status_row = new QHBoxLayout(form.Panel1);
  status_row->setContentsMargins(2, 0, 2, 0);
  status_row->addWidget(form.Label_DT);
  form.Label_Notice = new NoticeLine(form.Panel1);
  status_row->addSpacing(16);
  status_row->addWidget(form.Label_Notice, 1);
  form.RestoreBoard = Named(new QToolButton(form.Panel1), "RestoreBoard");
  form.RestoreBoard->setText(QStringLiteral("Вернуть"));
  form.RestoreBoard->setToolTip(
      QStringLiteral("Вернуть доску, какой она была до замены, у себя и у всех (Ctrl+Z)"));
  form.RestoreBoard->setFixedHeight(20);
  status_row->addWidget(form.RestoreBoard);
  status_row->addStretch(0);  // the room the notice line leaves: it takes it all when shown
  form.StatusRow = status_row;
  form.Label_Saved = Named(new QLabel(form.Panel1), "Label_Saved");
  form.Label_Saved->setToolTip(
      QStringLiteral("Доска записывается в ~kv.bmp сама через несколько секунд после изменений"));
  status_row->addWidget(form.Label_Saved);
  status_row->addSpacing(12);
  form.Label_Zoom = Named(new QLabel(QStringLiteral("100%"), form.Panel1), "Label_Zoom");
  form.Label_Zoom->setToolTip(QStringLiteral("Масштаб доски; Ctrl и колесо мыши меняют его"));
  status_row->addWidget(form.Label_Zoom);
  QObject::connect(form.Label_Notice, &NoticeLine::Told, form.Label_DT,
                   [clock = form.Label_DT, notice = form.Label_Notice, clock_tip] {
                     clock->setToolTip(clock_tip + QStringLiteral("\n\nНедавние сообщения:\n") +
                                       notice->Recent().join(u'\n'));
                   });
}

}  // namespace

void BuildZoomMenu(QMenuBar* bar, BoardView* view) {
  QMenu* menu = Named(bar->addMenu(QStringLiteral("Вид")), "ViewMenu");
  auto zoom = [menu, view](const char* name, const QString& caption, QList<QKeySequence> keys,
                           int step) {
    QAction* action = Named(menu->addAction(caption), name);
    action->setShortcuts(keys);
    QObject::connect(action, &QAction::triggered, view,
                     [view, step] { step == 0 ? view->SetZoom(100) : view->StepZoom(step); });
  };
  zoom("ZoomIn", QStringLiteral("Крупнее"),
       {QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)}, 1);
  zoom("ZoomOut", QStringLiteral("Мельче"), {QKeySequence::ZoomOut}, -1);
  zoom("ZoomActualSize", QStringLiteral("Обычный размер"), {QKeySequence(Qt::CTRL | Qt::Key_0)}, 0);
}

const QString kBoardTip = QStringLiteral(
    "Доска. Выберите инструмент или поставьте «Жажду рисовать !!!», чтобы рисовать; Ctrl и "
    "колесо мыши — масштаб");
const QString kTickHint =
    QStringLiteral("Чтобы рисовать, выберите инструмент или поставьте «Жажду рисовать !!!»");

void Paint(QWidget* widget, const QColor& background, std::optional<QColor> text) {
  QPalette palette = widget->palette();
  for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
    palette.setColor(role, background);
  if (text) {
    palette.setColor(QPalette::WindowText, *text);
    palette.setColor(QPalette::ButtonText, *text);
  }
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

void KeepMessageShort(QLineEdit* edit) {
  if (static_cast<std::size_t>(edit->text().size()) <= kMaxMessageText)
    return;  // fits however counted
  // What goes over is cut off the end, in one pass however much was pasted:
  // characters as the code page counts them, a character outside it (two
  // halves here) being one "?" there; the spaces around are not sent.
  const QString text = edit->text();
  qsizetype at = 0;
  while (at < text.size() && text[at].isSpace()) ++at;
  std::size_t counted = 0;
  for (; at < text.size(); ++at) {
    if (at > 0 && text[at].isLowSurrogate() && text[at - 1].isHighSurrogate()) continue;
    if (++counted > kMaxMessageText) break;
  }
  if (text.mid(at).trimmed().isEmpty()) return;
  const int cursor = edit->cursorPosition();
  edit->setText(text.left(at));
  edit->setCursorPosition(std::min(cursor, static_cast<int>(at)));
}

void ShowSessionLock(WindowControls& form, bool shown, const QString& tip) {
  // Made when the session is first closed: until then the status bar is
  // laid out as it always was.
  if (form.Label_Lock == nullptr) {
    if (!shown) return;
    form.Label_Lock = Named(new QLabel(QStringLiteral("Сеанс закрыт"), form.Panel1), "Label_Lock");
    form.Label_Lock->setContentsMargins(0, 0, 12, 0);
    form.StatusRow->insertWidget(form.StatusRow->indexOf(form.Label_Saved), form.Label_Lock);
  }
  form.Label_Lock->setVisible(shown);
  form.Label_Lock->setToolTip(tip);
}

void ShowCharactersLeft(WindowControls& form) {
  const auto typed = static_cast<qsizetype>(QStringToAnsi(form.Edit_Mess->text().trimmed()).size());
  const qsizetype left = static_cast<qsizetype>(kMaxMessageText) - typed;
  form.Label_Left->setText(left < 0 ? QStringLiteral("−%1").arg(-left) : QString::number(left));
  Paint(form.Label_Left, form.Panel4->palette().color(QPalette::Window),
        left < 0 ? QColor(Qt::red) : form.Panel4->palette().color(QPalette::WindowText));
}

void BuildWindowLayout(QMainWindow& window, WindowControls& form,
                       QAbstractItemModel* correspondents) {
  BuildWindow(window);
  auto* central = new QWidget(&window);
  window.setCentralWidget(central);
  auto* root = Column(central);

  form.TN1 = Named(new QTabWidget(central), "TN1");
  // One page: its tab and frame would only take the board's room.
  form.TN1->setTabBarAutoHide(true);
  form.TN1->setDocumentMode(true);
  auto* page = new QWidget(form.TN1);
  form.TN1->addTab(page, QStringLiteral("Доска"));
  root->addWidget(form.TN1, 1);

  BuildStatusBar(form, central);
  root->addWidget(form.Panel1);

  auto* page_split = Splitter(Qt::Vertical, page);
  Column(page)->addWidget(page_split);
  form.Panel2 = Panel(page_split, "Panel2");
  auto* board_split = Splitter(Qt::Horizontal, form.Panel2);
  Column(form.Panel2, 1)->addWidget(board_split);
  BuildBoardArea(form, board_split);
  BuildToolColumn(form, board_split);
  board_split->setStretchFactor(0, 1);
  // The board of a first start whole at the window's first size, the tools beside it.
  board_split->setSizes({616, 170});
  NameHandle(board_split, 1, "Splitter2");

  BuildMessageArea(form, page_split, correspondents);
  page_split->addWidget(form.Panel2);
  page_split->addWidget(form.GroupBox1);
  page_split->setStretchFactor(0, 1);
  page_split->setStretchFactor(1, 1);
  // The board's part is never taller than the board and the tools need:
  // what a larger window adds beyond that goes to the messages and the list.
  const auto cap = [&form] {
    const int board = form.Image_KV->height() + form.Panel9->height() +
                      2 * form.ScrollBox1->frameWidth() +
                      form.ScrollBox1->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 8;
    form.Panel2->setMaximumHeight(std::max(board, form.GroupBox2->sizeHint().height()));
  };
  cap();
  QObject::connect(form.Image_KV, &BoardView::SizeChanged, form.Panel2, cap);
  // At 800 by 600 the board of a first start shows whole above the messages.
  page_split->setSizes({412, 120});
  NameHandle(page_split, 1, "Splitter1");
}

}  // namespace kovra
