// What the tests of the session share: a log of what a window's board
// draws, to draw the board again in that order; which window every window
// takes for the owner; and strokes in colours of their own.
#pragma once

#include <QColor>
#include <QImage>
#include <variant>
#include <vector>

#include "app/main_window.h"
#include "board/canvas.h"
#include "board/drawing_commands.h"
#include "board/replay.h"
#include "board/tools/tool_table.h"
#include "common/window_group.h"

namespace kovra::test {

// Every command a window's board draws, in its order, with the state it is drawn in.
class DrawnLog {
 public:
  struct Drawn {
    drawing::Command command;
    DrawingState state;
    quint64 sender;
  };
  explicit DrawnLog(TForm1& form);
  // The board those commands draw in this order, from the board the window began with.
  QImage Replayed() const;
  // Commands of a kind drawn, the user's own or everyone's.
  template <typename Kind>
  int Count(bool own_only) const {
    int count = 0;
    for (const Drawn& drawn : log_) {
      if (std::holds_alternative<Kind>(drawn.command) &&
          (!own_only || drawn.sender == Replay::kOwnKey)) {
        ++count;
      }
    }
    return count;
  }

 private:
  QImage start_;
  std::vector<Drawn> log_;
};

// The window at address, for windows on 127.0.0.2 upwards.
int IndexOf(quint32 address);
// The window every one of windows takes for the session's owner, or -1
// while they differ.
int AgreedOwner(WindowGroup& group, const std::vector<int>& windows);
// Waits until windows agree on the owner and their boards are one.
bool OneBoard(WindowGroup& group, const std::vector<int>& windows, int timeout_ms);

// Chooses a tool, the pen and fill colours and the width, as clicks would.
void Choose(TForm1& form, ToolId tool, const QColor& pen, const QColor& fill, int width);
// A colour for each window; the fourth is also a fill.
extern const QColor kColours[4];
// A line across the board at y in the window's colour, and whether a board shows it.
void DrawAcross(WindowGroup& group, int window, int y);
bool Shows(const QImage& board, int y, const QColor& colour);

}  // namespace kovra::test
