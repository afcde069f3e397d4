// Draws drawing commands on the board canvas: the peers' as they arrive and
// the local user's as the tools make them, by the same steps, so that the
// local board equals every peer's by construction. Each sender's commands
// continue from that sender's own drawing state (pen position, font, pen and
// brush), apart from every other sender's and from the local user's, so that
// people drawing at once never join each other's strokes.
#pragma once

#include <QElapsedTimer>
#include <cstdint>
#include <functional>
#include <map>

#include "board/canvas.h"
#include "board/drawing_commands.h"

namespace kovra {

// Sets the canvas font as a received "ImageKV_SetFont" does: the name when
// given, the colour (an unreadable or empty one raises the conversion error,
// and the size and style then stay), the size, and the style. The text tool
// sets its own font the same way, so its text is drawn as the peers draw it.
void ApplyFont(BoardCanvas& canvas, const drawing::SetFont& font);

// Draws one command on canvas in the canvas's own state, as the replay draws
// every command; raises as the replay does.
void PaintCommand(BoardCanvas& canvas, const drawing::Command& command);

class Replay {
 public:
  // States kept at most, the one heard from longest ago giving way: a peer
  // cannot grow the map past it. One address keeps a few ports' states at
  // most, its own oldest giving way, so that a stranger's many source ports
  // cannot push out a live stroke of another, which would start again from
  // (0,0); a new sender always gets a state of its own to continue from.
  static constexpr std::size_t kMaxSenders = 256;
  static constexpr std::size_t kMaxPortsPerAddress = 4;

  explicit Replay(BoardCanvas& canvas) : canvas_(canvas) { clock_.start(); }

  // The sender of the received commands that follow: its IPv4 address
  // (host order) and port.
  void SetSender(quint32 address, quint16 port) { sender_ = Key(address, port); }
  // What a sender's commands have left behind; a fresh state for a stranger.
  DrawingState SenderState(quint32 address, quint16 port) const;

  // A received command, under its sender's state. A colour field that
  // cannot be read raises the conversion error where it stands.
  void Draw(const drawing::Command& command);
  // A command of the local user, under the local state: the canvas's own.
  void DrawOwn(const drawing::Command& command);

  // Told of each command before it is drawn, with the state it is drawn in
  // and its sender's key (kOwnKey for the local user's).
  std::function<void(const drawing::Command&, const DrawingState& before, quint64 sender)>
      OnDrawing;
  static constexpr quint64 kOwnKey = 0;
  // The key of the sender at address and port.
  static quint64 Key(quint32 address, quint16 port) { return quint64{address} << 16 | port; }

 private:
  class SenderScope;
  DrawingState& StateOf(quint64 sender);

  struct Sender {
    DrawingState state;
    qint64 heard_ms = 0;  // on clock_
  };

  BoardCanvas& canvas_;
  std::map<quint64, Sender> senders_;  // by Key: one address's ports lie together
  QElapsedTimer clock_;
  quint64 sender_ = 0;
};

}  // namespace kovra
