// The window's controls, their names, captions, docking, sizes and colours.
#include <QBoxLayout>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QAction>
#include <QKeySequence>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QSplitterHandle>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include "app/choice_list.h"
#include "app/main_window.h"
#include "app/mouse_panel.h"
#include "app/tool_settings.h"
#include "board/board_view.h"
#include "net/correspondents.h"

namespace kovra {
namespace {

const QColor kSilver(192, 192, 192);
const QColor kNavy(0, 0, 128);

template <typename W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

void Fill(QWidget* widget, const QColor& color) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, color);
  palette.setColor(QPalette::Base, color);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

QFrame* Panel(QWidget* parent, const char* name, QFrame::Shadow shadow = QFrame::Sunken) {
  auto* panel = Named(new QFrame(parent), name);
  panel->setFrameStyle(QFrame::Panel | shadow);
  return panel;
}

QVBoxLayout* Column(QWidget* parent, int margin = 0) {
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

// The handle before widget index gets the splitter's name and its navy colour.
void NameHandle(QSplitter* splitter, int index, const char* name) {
  QSplitterHandle* handle = Named(splitter->handle(index), name);
  Fill(handle, kNavy);
}

ChoiceList* ToolList(QWidget* parent, const char* name, const QStringList& items) {
  auto* list = Named(new ChoiceList(parent), name);
  list->addItems(items);
  list->setUniformItemSizes(true);
  Fill(list, kSilver);
  return list;
}

}  // namespace

void TForm1::BuildLayout() {
  setWindowTitle(QStringLiteral("Kovra"));
  resize(790, 590);
  if (const QScreen* display = screen()) {
    move(display->availableGeometry().center() - rect().center());
  }
  QFont window_font(QStringLiteral("MS Sans Serif"));
  window_font.setPixelSize(11);
  setFont(window_font);
  Fill(this, palette().color(QPalette::Button));

  auto* central = new QWidget(this);
  setCentralWidget(central);
  auto* root = Column(central);

  TN1 = Named(new QTabWidget(central), "TN1");
  auto* page = new QWidget(TN1);
  TN1->addTab(page, QStringLiteral("Доска"));
  root->addWidget(TN1, 1);

  Panel1 = Panel(central, "Panel1");
  Panel1->setFixedHeight(22);
  Label_DT = Named(new QLabel(QStringLiteral("..."), Panel1), "Label_DT");
  Label_DT->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  auto* status_row = new QHBoxLayout(Panel1);
  status_row->setContentsMargins(2, 0, 2, 0);
  status_row->addWidget(Label_DT);
  status_row->addStretch(1);
  root->addWidget(Panel1);

  auto* page_split = Splitter(Qt::Vertical, page);
  Column(page)->addWidget(page_split);

  // Board area and tool column.
  Panel2 = Panel(page_split, "Panel2");
  auto* board_split = Splitter(Qt::Horizontal, Panel2);
  Column(Panel2, 1)->addWidget(board_split);

  Panel3 = Panel(board_split, "Panel3");
  auto* panel3_column = Column(Panel3, 1);
  Panel9 = Panel(Panel3, "Panel9");
  Panel9->setFixedHeight(21);
  CB_YesPaint = Named(new QCheckBox(QStringLiteral("Жажду рисовать !!!"), Panel9), "CB_YesPaint");
  CB_YesPaint->setGeometry(8, 2, 137, 17);
  panel3_column->addWidget(Panel9);
  ScrollBox1 = Named(new QScrollArea(Panel3), "ScrollBox1");
  ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Image_KV = Named(new BoardView(), "Image_KV");
  Image_KV->setFixedSize(602, 385);
  ScrollBox1->setWidget(Image_KV);
  panel3_column->addWidget(ScrollBox1, 1);
  PopupMenu1 = Named(new QMenu(Image_KV), "PopupMenu1");
  board_split->addWidget(Panel3);

  GroupBox2 = Named(new QGroupBox(QStringLiteral("Инструментарий : "), board_split), "GroupBox2");
  Panel6 = Panel(GroupBox2, "Panel6");
  Column(GroupBox2)->addWidget(Panel6);
  auto* tool_split = Splitter(Qt::Vertical, Panel6);
  Column(Panel6, 1)->addWidget(tool_split);
  QStringList tools;
  for (const ToolEntry& entry : ToolTable()) tools.append(entry.caption);
  ListTools = ToolList(tool_split, "ListTools", tools);
  tool_split->addWidget(ListTools);

  GroupBox5 = Named(new QGroupBox(QStringLiteral("Шрифт : "), tool_split), "GroupBox5");
  auto* font_column = Column(GroupBox5);
  Panel8 = Named(new QFrame(GroupBox5), "Panel8");
  Panel8->setFixedHeight(24);
  SpeedButton2 = Named(new QToolButton(Panel8), "SpeedButton2");
  SpeedButton2->setGeometry(8, 1, 23, 22);
  SpeedButton2->setAutoRaise(true);
  SpeedButton2->setText(QStringLiteral("A"));  // a font symbol as the glyph
  font_column->addWidget(Panel8);
  Label_Font = Named(new QLabel(QStringLiteral("Шрифт"), GroupBox5), "Label_Font");
  Label_Font->setAlignment(Qt::AlignCenter);
  Fill(Label_Font, Qt::white);
  font_column->addWidget(Label_Font, 1);
  tool_split->addWidget(GroupBox5);

  GroupBox4 = Named(new QGroupBox(QStringLiteral("Толщина линий : "), tool_split), "GroupBox4");
  auto* width_column = Column(GroupBox4);
  Panel7 = Panel(GroupBox4, "Panel7");
  List_W = ToolList(Panel7, "List_W",
                    {ToolSettings::UserWidthEntry(1), QStringLiteral("1"), QStringLiteral("2"),
                     QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5"),
                     QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8"),
                     QStringLiteral("9"), QStringLiteral("10")});
  Column(Panel7, 1)->addWidget(List_W);
  width_column->addWidget(Panel7, 1);
  Panel_Cvet_Fon = Named(new MousePanel(QStringLiteral("Цвет и Фон"), GroupBox4), "Panel_Cvet_Fon");
  Panel_Cvet_Fon->setFixedHeight(20);
  Panel_Cvet_Fon->setAlignment(Qt::AlignCenter);
  Panel_Cvet_Fon->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Fill(Panel_Cvet_Fon, Qt::white);
  width_column->addWidget(Panel_Cvet_Fon);
  tool_split->addWidget(GroupBox4);

  tool_split->setStretchFactor(0, 1);
  tool_split->setSizes({200, 81, 110});
  NameHandle(tool_split, 1, "Splitter4");
  NameHandle(tool_split, 2, "Splitter5");
  board_split->addWidget(GroupBox2);
  board_split->setStretchFactor(0, 1);
  board_split->setSizes({600, 157});
  NameHandle(board_split, 1, "Splitter2");

  // Message area: the send row, the pane and the correspondent list.
  GroupBox1 = Named(new QGroupBox(QStringLiteral("Сообщения : "), page_split), "GroupBox1");
  auto* message_column = Column(GroupBox1);
  Panel4 = Panel(GroupBox1, "Panel4");
  Panel4->setFixedHeight(26);
  Label1 = Named(new QLabel(QStringLiteral("Сообщение послать "), Panel4), "Label1");
  Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  Label1->setGeometry(2, 2, 108, 22);
  SpeedButton1 = Named(new QToolButton(Panel4), "SpeedButton1");
  SpeedButton1->setText(QStringLiteral(">"));
  SpeedButton1->setAutoRaise(true);
  SpeedButton1->setGeometry(112, 2, 23, 22);
  Edit_Mess = Named(new QLineEdit(Panel4), "Edit_Mess");
  Edit_Mess->setGeometry(144, 2, 497, 21);
  Fill(Edit_Mess, kSilver);
  message_column->addWidget(Panel4);

  auto* message_split = Splitter(Qt::Horizontal, GroupBox1);
  Panel5 = Panel(message_split, "Panel5");
  // A list over the history rather than a text editor: it shows a history
  // of any length at once and puts a new line on top in constant time.
  RE_Mess = Named(new QListView(Panel5), "RE_Mess");
  RE_Mess->setModel(&history_);
  RE_Mess->setUniformItemSizes(true);
  RE_Mess->setEditTriggers(QAbstractItemView::NoEditTriggers);
  RE_Mess->setSelectionMode(QAbstractItemView::ExtendedSelection);
  RE_Mess->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Fill(RE_Mess, kSilver);
  auto* copy = new QAction(RE_Mess);
  copy->setShortcut(QKeySequence::Copy);
  copy->setShortcutContext(Qt::WidgetShortcut);
  RE_Mess->addAction(copy);
  connect(copy, &QAction::triggered, this, [this] { CopySelectedMessages(); });
  Column(Panel5, 1)->addWidget(RE_Mess);
  message_split->addWidget(Panel5);
  GroupBox3 = Named(new QGroupBox(QStringLiteral("Список корреспондентов : "), message_split),
                    "GroupBox3");
  ListUser = Named(new QListView(GroupBox3), "ListUser");
  ListUser->setModel(correspondents_);
  ListUser->setUniformItemSizes(true);
  ListUser->setSelectionMode(QAbstractItemView::SingleSelection);
  ListUser->setContextMenuPolicy(Qt::CustomContextMenu);
  Fill(ListUser, kSilver);
  Column(GroupBox3)->addWidget(ListUser);
  message_split->addWidget(GroupBox3);
  message_split->setStretchFactor(0, 1);
  message_split->setSizes({560, 185});
  NameHandle(message_split, 1, "Splitter3");
  message_column->addWidget(message_split, 1);

  page_split->addWidget(Panel2);
  page_split->addWidget(GroupBox1);
  page_split->setStretchFactor(0, 1);
  page_split->setSizes({400, 94});
  NameHandle(page_split, 1, "Splitter1");

  Timer1 = Named(new QTimer(this), "Timer1");
  Timer1->setInterval(100);

  BuildMenus();
}

void TForm1::BuildMenus() {
  auto item = [this](QMenu* menu, const char* name, const QString& caption, void (TForm1::*handler)()) {
    QAction* action = Named(menu->addAction(caption), name);
    connect(action, &QAction::triggered, this, [this, handler] { Guard([&] { (this->*handler)(); }); });
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
  QMenu* network = Named(bar->addMenu(QStringLiteral("Сеть")), "N8");
  item(network, "N9", QStringLiteral("Сообщить о себе всем"), &TForm1::N9Click);
  separator(network, "N12");

  PopupMenu2 = Named(new QMenu(ListUser), "PopupMenu2");
  item(PopupMenu2, "N6", QStringLiteral("Добавить"), &TForm1::N6Click);
  item(PopupMenu2, "N7", QStringLiteral("Удалить"), &TForm1::N7Click);
  connect(ListUser, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu2->popup(ListUser->viewport()->mapToGlobal(at)); });
}

}  // namespace kovra
