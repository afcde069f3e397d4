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
class QLabel;
class QLineEdit;
class QListView;
class QMainWindow;
class QMenu;
class QMenuBar;
class QScrollArea;
class QTabWidget;
class QWidget;
class QToolButton;

namespace kovra {

class BoardView;
class ChoiceList;
class MousePanel;
class NoticeLine;
class PenSample;
class ToolSettings;

// The window's controls, by the names the program's logic uses.
struct WindowControls {
  QFrame* Panel1 = nullptr;
  QLabel* Label_DT = nullptr;
  QTabWidget* TN1 = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QFrame* Panel4 = nullptr;
  QLabel* Label1 = nullptr;
  QToolButton* SpeedButton1 = nullptr;
  QLineEdit* Edit_Mess = nullptr;
  QLabel* Label_Left = nullptr;  // how many characters the message may still take
  QFrame* Panel5 = nullptr;
  QListView* RE_Mess = nullptr;
  QGroupBox* GroupBox3 = nullptr;
  QListView* ListUser = nullptr;
  QFrame* Panel2 = nullptr;
  QGroupBox* GroupBox2 = nullptr;
  QFrame* Panel6 = nullptr;
  ChoiceList* ListTools = nullptr;
  QGroupBox* GroupBox5 = nullptr;
  QFrame* Panel8 = nullptr;
  QToolButton* SpeedButton2 = nullptr;
  QLabel* Label_Font = nullptr;
  QGroupBox* GroupBox4 = nullptr;
  QFrame* Panel7 = nullptr;
  ChoiceList* List_W = nullptr;
  MousePanel* Panel_Cvet_Fon = nullptr;
  PenSample* Label_Pen = nullptr;  // the pen's colour and width on the fill colour
  QFrame* Panel3 = nullptr;
  QFrame* Panel9 = nullptr;
  QCheckBox* CB_YesPaint = nullptr;
  QScrollArea* ScrollBox1 = nullptr;
  BoardView* Image_KV = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QMenu* PopupMenu2 = nullptr;
  NoticeLine* Label_Notice = nullptr;
};

// The board's tip while drawing is off.
extern const QString kBoardTip;

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

// The pen and fill colours on Panel_Cvet_Fon, the text font on Label_Font,
// and the fill colour behind the font's sample. The font's sample is shown
// at a bounded size, so that a large font does not widen the tool column.
void ShowToolSettings(WindowControls& form, const ToolSettings& settings);
// A line of the pen's colour and width on the fill colour, on Label_Pen.
void ShowPen(WindowControls& form, const ToolSettings& settings, int width);
// The characters left for the message being typed, of kMaxMessageText.
void ShowCharactersLeft(WindowControls& form);
void ShowFillBehindFont(WindowControls& form, const ToolSettings& settings);

// Builds the controls into window; history and correspondents are the
// models of RE_Mess and ListUser.
void BuildWindowLayout(QMainWindow& window, WindowControls& form, QAbstractItemModel* history,
                       QAbstractItemModel* correspondents);

}  // namespace kovra
