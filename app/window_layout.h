// The window's controls: their names, captions, docking, sizes and colours,
// built area by area into the window's fields. The window wires them.
#pragma once

#include <QColor>
#include <QString>
#include <optional>

class QAbstractItemModel;
class QCheckBox;
class QFrame;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QListView;
class QMainWindow;
class QMenu;
class QMenuBar;
class QScrollArea;
class QSpinBox;
class QTabWidget;
class QWidget;
class QToolButton;

namespace kovra {

class BoardView;
class ChatView;
class ColorPalette;
class ChoiceList;
class MousePanel;
class NoticeLine;
class PenSample;

// The window's controls, by the names the program's logic uses. The
// numbered names are the ones users of older copies know; each says here
// what it holds.
struct WindowControls {
  QFrame* Panel1 = nullptr;  // the status bar: the clock and the notice line
  QLabel* Label_DT = nullptr;
  QTabWidget* TN1 = nullptr;       // the one page: messages below, board and tools above
  QGroupBox* GroupBox1 = nullptr;  // "Сообщения : ": the send row, the pane and the list
  QFrame* Panel4 = nullptr;        // the send row
  QLabel* Label1 = nullptr;        // the send row's caption
  QToolButton* SpeedButton1 = nullptr;  // sends the message typed
  QLineEdit* Edit_Mess = nullptr;
  QLabel* Label_Left = nullptr;  // how many characters the message may still take
  QFrame* Panel5 = nullptr;      // around the message pane
  ChatView* RE_Mess = nullptr;
  QGroupBox* GroupBox3 = nullptr;  // "Список корреспондентов : " around ListUser
  QListView* ListUser = nullptr;
  QFrame* Panel2 = nullptr;        // the board area and the tool column
  QGroupBox* GroupBox2 = nullptr;  // "Инструментарий : ": the tool column
  QFrame* Panel6 = nullptr;        // inside the tool column: tools, width box, font box
  ChoiceList* ListTools = nullptr;
  QGroupBox* GroupBox5 = nullptr;       // "Шрифт : ": the text tool's font
  QFrame* Panel8 = nullptr;             // the font box's button row
  QToolButton* SpeedButton2 = nullptr;  // opens the font dialog
  QLabel* Label_Font = nullptr;
  QGroupBox* GroupBox4 = nullptr;  // "Толщина линий : ": widths and colours
  QFrame* Panel7 = nullptr;        // around the width list
  ChoiceList* List_W = nullptr;
  QSpinBox* Spin_W = nullptr;  // any width, typed or stepped: entry 0's number
  MousePanel* Panel_Cvet_Fon = nullptr;
  ColorPalette* Palette = nullptr;  // the common colours: left the pen, right the fill
  PenSample* Label_Pen = nullptr;  // the pen's colour and width on the fill colour
  QFrame* Panel3 = nullptr;        // the board area: the drawing switch above the board
  QFrame* Panel9 = nullptr;        // the drawing switch's row
  QCheckBox* CB_YesPaint = nullptr;
  QScrollArea* ScrollBox1 = nullptr;
  BoardView* Image_KV = nullptr;
  QMenu* PopupMenu1 = nullptr;  // the board's context menu, empty
  QMenu* PopupMenu2 = nullptr;  // the correspondent list's: add, delete, send the board
  NoticeLine* Label_Notice = nullptr;
  QLabel* Label_Lock = nullptr;  // shown while the session is closed; made when first needed
  QHBoxLayout* StatusRow = nullptr;
  QToolButton* RestoreBoard = nullptr;  // "Вернуть": the board a peer replaced
  QLabel* Label_Saved = nullptr;        // when the board was last written to disk
  QLabel* Label_Zoom = nullptr;         // the board's zoom, in per cent
};

// The menus' items are not kept; they are found by name. MainMenu1 holds
// N1 "Доска" (N2 new board, N10 save and N11 load the working file, N5 a
// separator, N3 load and N4 save a picture, then SendingSeparator,
// SendBoardToAll and SaveAsPng), ViewMenu (ZoomIn, ZoomOut, ZoomActualSize)
// and N8 "Сеть" (N9 announce, FindEveryone, N12 a separator). PopupMenu2
// holds N6 add, N7 delete and SendBoardToOne.

// The board's tip while drawing is off, and what a drag says then.
extern const QString kBoardTip;
extern const QString kTickHint;

template <typename W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

// Colours a control's background and, when given, its text.
void Paint(QWidget* widget, const QColor& background, std::optional<QColor> text = std::nullopt);

// The menu "Вид": zoom in, out and back to the board's own size, with Ctrl
// and "+", "-" and "0", as Ctrl with the wheel on the board.
void BuildZoomMenu(QMenuBar* bar, BoardView* view);
// Shows or hides "Сеанс закрыт" in the status bar, with its tip.
void ShowSessionLock(WindowControls& form, bool shown, const QString& tip);

// Cuts the message being typed to kMaxMessageText characters of the code page.
void KeepMessageShort(QLineEdit* edit);
// The characters left for the message being typed, of kMaxMessageText.
void ShowCharactersLeft(WindowControls& form);

// Builds the controls into window; correspondents is the model of ListUser.
void BuildWindowLayout(QMainWindow& window, WindowControls& form,
                       QAbstractItemModel* correspondents);

}  // namespace kovra
