#include "app/board_gestures.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QCursor>
#include <QToolTip>
#include <algorithm>
#include <utility>

#include "app/board_sending.h"
#include "app/chat_pane.h"
#include "app/choice_list.h"
#include "app/notice_line.h"
#include "app/tool_panel.h"
#include "app/window_layout.h"
#include "board/board_history.h"
#include "board/board_view.h"
#include "board/replay.h"
#include "net/correspondents.h"
#include "net/dotted_address.h"
#include "net/fan_out.h"
#include "net/presence.h"
#include "support/ansi_codec.h"

namespace kovra {
namespace {

// About 30 pointer positions a second at most.
constexpr qint64 kPointerIntervalMs = 33;

}  // namespace

BoardGestures::BoardGestures(const Parts& parts) : parts_(parts) {
  for (const ToolEntry& entry : ToolTable()) {
    tools_[static_cast<std::size_t>(ToolRow(entry.id))] = entry.make(*this);
  }
}

void BoardGestures::Image_KVMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
  if (!parts_.ui.CB_YesPaint->isChecked() || button != Qt::LeftButton) return;
  gesture_.StartX = x;
  gesture_.StartY = y;
  parts_.step_begun();
  // The move goes out after what the tool's press sends, as it always has.
  const drawing::MoveTo anchor{{x, y}};
  parts_.replay.DrawOwn(anchor);
  gesture_.Drawing = true;
  // No row chosen is past the end.
  const auto row = static_cast<std::size_t>(parts_.ui.ListTools->currentRow());
  gesture_tool_ = row < tools_.size() ? tools_[row].get() : nullptr;
  if (gesture_tool_ != nullptr) gesture_tool_->Press(x, y);
  parts_.tools.TakeTextFont();
  gesture_reached_.clear();
  Send(anchor.Name(), anchor.Build(),
       [this](const std::string& name) { gesture_reached_.push_back(name); });
}

void BoardGestures::Image_KVMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int x,
                                      int y) {
  if (!parts_.ui.CB_YesPaint->isChecked()) {
    // A drag that draws nothing says why, once until the box is ticked.
    if ((buttons & Qt::LeftButton) && parts_.tools.ShouldTellToTick()) {
      // Where the user looks, and in the status bar until the box is ticked.
      parts_.ui.Label_Notice->Tell(QString(), kTickHint);
      QToolTip::showText(QCursor::pos(), kTickHint, parts_.ui.Image_KV);
    }
    return;
  }
  if (!gesture_.Drawing) {
    // The pointer tool shows the others where this user points, button or not.
    if (buttons == Qt::NoButton && parts_.ui.ListTools->currentRow() == ToolRow(ToolId::kPointer) &&
        (!pointer_sent_.isValid() || pointer_sent_.hasExpired(kPointerIntervalMs))) {
      pointer_sent_.start();
      Draw(drawing::CursorTo{{x, y}});
    }
    return;
  }
  // The button came up where the board could not see it (in a dialog, say):
  // the gesture is over, and nothing more is drawn or sent for it.
  if (!(buttons & Qt::LeftButton)) return CancelGesture();
  if (gesture_tool_ != nullptr) gesture_tool_->Move(shift, x, y);
}

void BoardGestures::Image_KVMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x,
                                    int y) {
  // Only the end of a left-button gesture: a right or middle click started
  // nothing, so it must not finish the last gesture's figure once more.
  if (!parts_.ui.CB_YesPaint->isChecked() || button != Qt::LeftButton || !gesture_.Drawing) {
    return;
  }
  gesture_.Drawing = false;
  if (Tool* tool = std::exchange(gesture_tool_, nullptr)) tool->Release(shift, x, y);
  parts_.history.EndStep();
}

void BoardGestures::CancelGesture() {
  if (!gesture_.Drawing) return;
  gesture_.Drawing = false;
  if (Tool* tool = std::exchange(gesture_tool_, nullptr)) tool->Cancel();
  parts_.history.EndStep();
}

bool BoardGestures::DrawAgain(const std::vector<std::vector<drawing::Command>>& steps) {
  if (gesture_.Drawing) return false;
  for (const std::vector<drawing::Command>& step : steps) {
    parts_.step_begun();
    // Each send may run the event loop while a name is looked up.
    for (const drawing::Command& command : step) Draw(command);
    parts_.history.EndStep();
  }
  return true;
}

void BoardGestures::ReceivedPointer(const drawing::CursorTo& at, quint32 address) {
  const std::string dotted = DottedAddressText(address);
  const auto name = parts_.presence.Addresses().NameAt(address);
  const bool listed =
      parts_.correspondents.Find(dotted) >= 0 || (name && parts_.correspondents.Find(*name) >= 0);
  parts_.ui.Image_KV->ShowPointer(QString::fromStdString(dotted),
                                  AnsiToQString(name.value_or(dotted)), QPoint(at.x, at.y), listed);
}

int BoardGestures::CurrentWidth() const { return parts_.tools.CurrentWidth(); }
std::string BoardGestures::PenColorName() const { return parts_.tools.PenColorName(); }
std::string BoardGestures::FillColorName() const { return parts_.tools.FillColorName(); }
FontChoice BoardGestures::TextFont() const { return parts_.tools.TextFont(); }

std::optional<QString> BoardGestures::AskText(const QString& caption, const QString& prompt) {
  std::optional<QString> text = parts_.dialogs.InputText(caption, prompt, QString());
  if (text && !parts_.chat.AllowedToLoseCharacters(*text)) return std::nullopt;
  return text;
}

void BoardGestures::ShowBand(const Band& band) { parts_.ui.Image_KV->ShowBand(band); }

void BoardGestures::Draw(const drawing::Command& command) {
  if (const auto* piece = std::get_if<drawing::Paste>(&command)) return DrawPiece(*piece);
  if (!gesture_.Drawing || !std::holds_alternative<drawing::LineTo>(command)) {
    parts_.replay.DrawOwn(command);
    Send(drawing::NameOf(command), drawing::ArgsOf(command));
    return;
  }
  // A copy of the extension that missed where the line goes on from (it
  // was away when the stroke began, or its queue went when it was counted
  // away since) is told just before its line, in the same walk: the list
  // may change while the walk runs. It draws the stroke's start again with
  // the user's other steps of the time apart; a plain copy gets what it
  // always got.
  const std::vector<std::string> present = parts_.correspondents.PresentNames();
  gesture_reached_.erase(std::remove_if(gesture_reached_.begin(), gesture_reached_.end(),
                                        [&present](const std::string& name) {
                                          return std::find(present.begin(), present.end(),
                                                           name) == present.end();
                                        }),
                         gesture_reached_.end());
  const drawing::MoveTo from{{parts_.board.PenPos().x(), parts_.board.PenPos().y()}};
  parts_.replay.DrawOwn(command);
  Send(drawing::NameOf(command), drawing::ArgsOf(command), [this, &from](const std::string& name) {
    if (std::find(gesture_reached_.begin(), gesture_reached_.end(), name) != gesture_reached_.end()) {
      return;
    }
    parts_.fan_out.SendInStream(name, from.Name(), from.Build());
    gesture_reached_.push_back(name);
  });
}

void BoardGestures::DrawPiece(const drawing::Paste& piece) {
  parts_.replay.DrawOwn(piece);
  std::vector<std::string> plain;
  for (const std::string& name : parts_.correspondents.PresentNames()) {
    // Each may run the event loop while the name is looked up.
    if (!parts_.fan_out.SendInStream(name, piece.Name(), piece.Build())) plain.push_back(name);
  }
  const QRect area =
      QRect(piece.x, piece.y, piece.width, piece.height).intersected(parts_.board.Image().rect());
  if (plain.empty() || area.isEmpty()) return;
  // Paced, as a board sent to them is: a picture is many lines.
  if (!parts_.sending.SendPart(parts_.board.Image().copy(area), area.topLeft(), std::move(plain))) {
    parts_.ui.Label_Notice->Tell(
        QString(), QStringLiteral("Картинка не отправлена копиям без расширения: ещё отправляется "
                                  "прежняя"));
  }
}

void BoardGestures::Send(const std::string& command, const std::string& args,
                         const std::function<void(const std::string& name)>& before_each) {
  parts_.fan_out.SendToCorrespondents(command, args, false, before_each);
}

// Received commands are drawn; the user's next click waits until this
// gesture's commands are out.
void BoardGestures::ProcessPendingEvents() {
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace kovra
