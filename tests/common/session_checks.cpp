#include "common/session_checks.h"

#include <QCheckBox>
#include <QListWidget>
#include <QTest>

#include "app/session_links.h"
#include "app/tool_panel.h"
#include "support/error_guard.h"

namespace kovra::test {

DrawnLog::DrawnLog(TForm1& form) : start_(form.Board().Image()) {
  auto next = form.BoardReplay().OnDrawing;
  form.BoardReplay().OnDrawing = [this, next](const drawing::Command& command,
                                              const DrawingState& state, quint64 sender) {
    log_.push_back({command, state, sender});
    if (next) next(command, state, sender);
  };
}

QImage DrawnLog::Replayed() const {
  BoardCanvas board;
  board.Reset(start_);
  for (const Drawn& drawn : log_) {
    DrawingState state = drawn.state;
    board.SwapState(state);
    try {
      PaintCommand(board, drawn.command);
    } catch (const Error&) {
      // It failed the same way on the window's board.
    }
  }
  return board.Image();
}

int IndexOf(quint32 address) { return static_cast<int>(address - 0x7F000002u); }

// The window every window takes for the session's owner, or -1 while they differ.
int AgreedOwner(WindowGroup& group, const std::vector<int>& windows) {
  int agreed = -2;
  for (const int i : windows) {
    const quint32 leader = group.Form(i).Session()->Roster().Leader();
    const int owner = leader == 0 ? i : IndexOf(leader);
    if (agreed != -2 && owner != agreed) return -1;
    agreed = owner;
  }
  return agreed;
}

bool OneBoard(WindowGroup& group, const std::vector<int>& windows, int timeout_ms) {
  return QTest::qWaitFor(
      [&] {
        if (AgreedOwner(group, windows) < 0) return false;
        for (const int i : windows) {
          if (group.Form(i).Board().Image() != group.Form(windows.front()).Board().Image()) {
            return false;
          }
        }
        return true;
      },
      timeout_ms);
}

void Choose(TForm1& form, ToolId tool, const QColor& pen, const QColor& fill, int width) {
  form.Controls().ListTools->setCurrentRow(ToolRow(tool));
  if (!form.Controls().CB_YesPaint->isChecked()) form.Controls().CB_YesPaint->click();
  form.ToolColumn().PaletteChosen(pen, Qt::LeftButton);
  form.ToolColumn().PaletteChosen(fill, Qt::RightButton);
  form.ToolColumn().Spin_WChanged(width);
}

const QColor kColours[4] = {QColor(255, 0, 0), QColor(0, 128, 0), QColor(0, 0, 255),
                            QColor(255, 0, 255)};

// Whether the board shows colour at most of the points of a line drawn across it.
bool Shows(const QImage& board, int y, const QColor& colour) {
  int seen = 0;
  for (int x = 40; x < 400; x += 20) seen += board.pixelColor(x, y) == colour ? 1 : 0;
  return seen >= 15;
}

void DrawAcross(WindowGroup& group, int window, int y) {
  Choose(group.Form(window), ToolId::kFreehand, kColours[window % 4], Qt::white, 3);
  Stroke stroke{window, {}};
  for (int x = 30; x <= 420; x += 30) stroke.points.emplace_back(x, y);
  test::DrawInterleaved(group, {stroke});
}

}  // namespace kovra::test
