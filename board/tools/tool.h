// The drawing tools: one class per tool or family over a base with empty
// press, move, release and cancel steps. A tool turns mouse events into
// drawing commands and hands them on; it never draws on the board itself,
// so the local board is drawn by the same steps as every peer's. A tool
// keeps no state of its own: the gesture state is the window's, rubber
// bands are the view's.
#pragma once

#include <QPoint>
#include <QString>
#include <memory>
#include <optional>
#include <string>

#include "board/band.h"
#include "board/canvas.h"
#include "board/drawing_commands.h"
#include "board/gesture.h"
#include "support/dialogs.h"

namespace kovra {

// What a tool reaches of the window: the board to read, the settings read
// at each step, the text prompt, and where its commands go.
class ToolHost {
 public:
  virtual ~ToolHost() = default;
  virtual const BoardCanvas& Board() const = 0;
  virtual GestureState& Gesture() = 0;
  virtual int CurrentWidth() const = 0;
  virtual std::string PenColorName() const = 0;
  virtual std::string FillColorName() const = 0;
  virtual FontChoice TextFont() const = 0;
  // Runs a modal prompt; nullopt when cancelled.
  virtual std::optional<QString> AskText(const QString& caption, const QString& prompt) = 0;
  // Shows a band or the eraser's square above the board; a band of no
  // shape hides it.
  virtual void ShowBand(const Band& band) = 0;
  // Draws the command on the local board, exactly as a peer replays it,
  // and sends it to the present correspondents; runs the event loop.
  virtual void Draw(const drawing::Command& command) = 0;
  virtual void ProcessPendingEvents() = 0;
};

class Tool {
 public:
  explicit Tool(ToolHost& host) : host_(host) {}
  virtual ~Tool() = default;

  virtual void Press(int /*x*/, int /*y*/) {}
  virtual void Move(Qt::KeyboardModifiers /*shift*/, int /*x*/, int /*y*/) {}
  virtual void Release(Qt::KeyboardModifiers /*shift*/, int /*x*/, int /*y*/) {}
  // The gesture ended without a release (the button came up elsewhere, or
  // the window lost the mouse): take away what only the gesture showed.
  virtual void Cancel() {}

 protected:
  // Ctrl keeps x at the anchor, Shift keeps y there.
  QPoint Constrained(Qt::KeyboardModifiers shift, int x, int y) const;
  GestureState& Gesture() { return host_.Gesture(); }

  ToolHost& host_;
};

}  // namespace kovra
