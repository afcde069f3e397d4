// Draws received drawing commands on the board canvas. Each sender's
// commands continue from that sender's own drawing state (pen position,
// font, pen and brush), apart from every other sender's and from the local
// gesture's, so that people drawing at once never join each other's strokes.
#pragma once

#include <QElapsedTimer>
#include <cstdint>
#include <map>
#include <string>

#include "board/canvas.h"
#include "board/drawing_commands.h"

namespace kovra {

// Sets the canvas font as a received "ImageKV_SetFont" does: the name when
// given, the colour (an unreadable or empty one raises the conversion error,
// and the size and style then stay), the size, and the style. The text tool
// sets its own font the same way, so its text is drawn as the peers draw it.
void ApplyFont(BoardCanvas& canvas, const drawing::SetFont& font);

class Replay {
 public:
  // States kept at most, the one heard from longest ago giving way: a peer
  // cannot grow the map past it.
  static constexpr std::size_t kMaxSenders = 256;
  // A sender heard from so recently never gives way: a stranger's many
  // source ports cannot make a live stroke start again from (0,0). A new
  // sender finding only such states draws from a fresh one, kept for no longer
  // than its command.
  static constexpr qint64 kKeepHeardMs = 10000;

  explicit Replay(BoardCanvas& canvas) : canvas_(canvas) { clock_.start(); }

  // The sender of the commands that follow: its address and port.
  void SetSender(std::string sender) { sender_ = std::move(sender); }
  // What a sender's commands have left behind; a fresh state for a stranger.
  DrawingState SenderState(const std::string& sender) const;

  // Each takes the received argument text; a colour field that cannot be
  // read raises the conversion error where it stands.
  void MoveTo(const std::string& args);
  void LineTo(const std::string& args);
  void LineFromTo(const std::string& args);
  void Rectangle(const std::string& args);
  void RectangleFill(const std::string& args);
  void Ellipse(const std::string& args);
  void EllipseFill(const std::string& args);
  void FloodFill(const std::string& args);
  void SetFont(const std::string& args);
  void TextOut(const std::string& args);

 private:
  class SenderScope;
  DrawingState& StateOf(const std::string& sender);

  struct Sender {
    DrawingState state;
    qint64 heard_ms = 0;  // on clock_
  };

  BoardCanvas& canvas_;
  std::map<std::string, Sender> senders_;
  DrawingState passing_;  // for a sender that found no room
  QElapsedTimer clock_;
  std::string sender_;
};

}  // namespace kovra
