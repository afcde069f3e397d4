// The pieces the window's layout is built of, shared by the files that
// build its areas.
#pragma once

#include <QFrame>
#include <Qt>

class QSplitter;
class QVBoxLayout;
class QWidget;

namespace kovra {

struct WindowControls;

namespace layout {

// A named panel with a bevel.
QFrame* Panel(QWidget* parent, const char* name, QFrame::Shadow shadow = QFrame::Sunken);
// A vertical layout without spacing, margin pixels from the edges.
QVBoxLayout* Column(QWidget* parent, int margin = 0);
// A splitter whose parts never collapse.
QSplitter* Splitter(Qt::Orientation orientation, QWidget* parent);
// The handle before widget index gets the splitter's name and a tip.
void NameHandle(QSplitter* splitter, int index, const char* name);

}  // namespace layout

// The tools, the font and the widths, right of the board in board_split.
void BuildToolColumn(WindowControls& form, QSplitter* board_split);

}  // namespace kovra
