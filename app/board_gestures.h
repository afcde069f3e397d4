// The board's mouse events: the common steps of a gesture around the chosen
// tool's own, what the tools reach of the window, and the pointers of the
// others shown above the board. The commands a tool makes are drawn on the
// local board by the replay, as a peer's are, and sent to the present
// correspondents.
#pragma once

#include <QElapsedTimer>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "board/gesture.h"
#include "board/tools/tool_table.h"

namespace kovra {

class BoardCanvas;
class BoardHistory;
class BoardSending;
class ChatPane;
class Correspondents;
class Dialogs;
class FanOut;
class Presence;
class Replay;
class ToolPanel;
struct WindowControls;

class BoardGestures : private ToolHost {
 public:
  // All of it outlives the gestures.
  struct Parts {
    WindowControls& ui;
    ToolPanel& tools;
    Dialogs& dialogs;
    const BoardCanvas& board;
    Replay& replay;
    BoardHistory& history;             // each gesture is one step of it
    std::function<void()> step_begun;  // begins the step, and tells the others
    FanOut& fan_out;
    BoardSending& sending;  // a picture's pixels to the copies without the extension
    ChatPane& chat;
    const Presence& presence;
    const Correspondents& correspondents;
  };
  explicit BoardGestures(const Parts& parts);

  void Image_KVMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
  void Image_KVMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int x, int y);
  void Image_KVMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
  // Ends a gesture that will get no release: its band goes, nothing is sent.
  void CancelGesture();
  // No anchor, no band, no gesture.
  void Reset() { gesture_ = GestureState{}; }
  const GestureState& Current() const { return gesture_; }

  // Draws the steps again and sends them, each a step of the user's; false,
  // drawing nothing, while a gesture is in progress.
  bool DrawAgain(const std::vector<std::vector<drawing::Command>>& steps);

  // "ImageKV_CursorTo" from the sender at address (host order).
  void ReceivedPointer(const drawing::CursorTo& at, quint32 address);

 private:
  const BoardCanvas& Board() const override { return parts_.board; }
  GestureState& Gesture() override { return gesture_; }
  int CurrentWidth() const override;
  std::string PenColorName() const override;
  std::string FillColorName() const override;
  FontChoice TextFont() const override;
  std::optional<QString> AskText(const QString& caption, const QString& prompt) override;
  void ShowBand(const Band& band) override;
  void Draw(const drawing::Command& command) override;
  void ProcessPendingEvents() override;
  // A picture's part: in order to the copies that speak the extension, as
  // one-pixel lines to the others.
  void DrawPiece(const drawing::Paste& piece);
  void Send(const std::string& command, const std::string& args,
            const std::function<void(const std::string& name)>& before_each = {});

  Parts parts_;
  GestureState gesture_;
  std::array<std::unique_ptr<Tool>, kToolCount> tools_;  // by row of ListTools
  Tool* gesture_tool_ = nullptr;  // the tool the gesture in progress began with
  // The copies that had where the gesture's line goes on from, when its
  // last command went out to them; any other is told before its next line.
  std::vector<std::string> gesture_reached_;
  QElapsedTimer pointer_sent_;    // the pointer goes out some 30 times a second at most
};

}  // namespace kovra
