// The board's mouse events: the common steps of a gesture around the
// selected tool's own, and what the tools reach of the window.
#include <QCheckBox>
#include <QCoreApplication>
#include <utility>

#include "app/main_window.h"
#include "app/notice_line.h"
#include "board/board_view.h"
#include "board/drawing_commands.h"
#include "net/correspondents.h"
#include "net/dotted_address.h"
#include "support/ansi_codec.h"

namespace kovra {
namespace {

// About 30 pointer positions a second at most.
constexpr qint64 kPointerIntervalMs = 33;

}  // namespace

void TForm1::Image_KVMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
  if (!ui_.CB_YesPaint->isChecked() || button != Qt::LeftButton) return;
  gesture_.StartX = x;
  gesture_.StartY = y;
  // The move goes out after what the tool's press sends, as it always has.
  const drawing::MoveTo anchor{{x, y}};
  replay_.DrawOwn(anchor);
  gesture_.Drawing = true;
  const auto row = static_cast<std::size_t>(ui_.ListTools->currentRow());  // none: past the end
  gesture_tool_ = row < tool_list_.size() ? tool_list_[row].get() : nullptr;
  if (gesture_tool_ != nullptr) gesture_tool_->Press(x, y);
  tool_panel_.TakeTextFont();
  Send(anchor.Name(), anchor.Build());
}

void TForm1::Image_KVMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int x,
                               int y) {
  if (!ui_.CB_YesPaint->isChecked()) {
    // A drag that draws nothing says why, once until the box is ticked.
    if ((buttons & Qt::LeftButton) && tool_panel_.ShouldTellToTick()) {
      ui_.Label_Notice->Tell(QString(),
                             QStringLiteral("Чтобы рисовать, поставьте «Жажду рисовать !!!»"));
    }
    return;
  }
  if (!gesture_.Drawing) {
    // The pointer tool shows the others where this user points, button or not.
    if (buttons == Qt::NoButton && ui_.ListTools->currentRow() == ToolRow(ToolId::kPointer) &&
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

void TForm1::Image_KVMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
  // Only the end of a left-button gesture: a right or middle click started
  // nothing, so it must not finish the last gesture's figure once more.
  if (!ui_.CB_YesPaint->isChecked() || button != Qt::LeftButton || !gesture_.Drawing) return;
  gesture_.Drawing = false;
  if (Tool* tool = std::exchange(gesture_tool_, nullptr)) tool->Release(shift, x, y);
}

void TForm1::CancelGesture() {
  if (!gesture_.Drawing) return;
  gesture_.Drawing = false;
  if (Tool* tool = std::exchange(gesture_tool_, nullptr)) tool->Cancel();
}

void TForm1::ShowBand(const Band& band) { ui_.Image_KV->ShowBand(band); }

int TForm1::CurrentWidth() const { return tool_panel_.CurrentWidth(); }
std::string TForm1::PenColorName() const { return tool_panel_.PenColorName(); }
std::string TForm1::FillColorName() const { return tool_panel_.FillColorName(); }

void TForm1::ReceivedPointer(const drawing::CursorTo& at) {
  const std::string address = DottedAddressText(sender_address_);
  const auto name = presence_->Addresses().NameAt(sender_address_);
  const bool listed =
      correspondents_->Find(address) >= 0 || (name && correspondents_->Find(*name) >= 0);
  ui_.Image_KV->ShowPointer(QString::fromStdString(address), AnsiToQString(name.value_or(address)),
                            QPoint(at.x, at.y), listed);
}

std::optional<QString> TForm1::AskText(const QString& caption, const QString& prompt) {
  std::optional<QString> text = env_.dialogs->InputText(caption, prompt, QString());
  if (text && !chat_->AllowedToLoseCharacters(*text)) return std::nullopt;
  return text;
}

void TForm1::Draw(const drawing::Command& command) {
  replay_.DrawOwn(command);
  Send(drawing::NameOf(command), drawing::ArgsOf(command));
}

void TForm1::Send(const std::string& command, const std::string& args) {
  fan_out_->SendToCorrespondents(command, args, false);
}

void TForm1::ProcessPendingEvents() { QCoreApplication::processEvents(); }

}  // namespace kovra
