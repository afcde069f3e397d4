#include "app/held_input.h"

#include <QTimer>

namespace kovra {

void HeldInput::Run(std::function<void()> step) {
  if (held_.empty() && !Busy()) return RunStep(step);
  held_.push_back(std::move(step));
  SendsEnded();  // in case nothing is being sent any more
}

void HeldInput::SendsEnded() {
  if (held_.empty() || scheduled_) return;
  scheduled_ = true;
  // Not from inside the send that just ended: the handler that sent it
  // finishes first.
  QTimer::singleShot(0, this, [this] { RunHeld(); });
}

void HeldInput::RunHeld() {
  scheduled_ = false;
  // A step's own sends end before it returns; a send further down the stack
  // (this may run inside a walk's event-loop step) keeps the rest waiting.
  while (!held_.empty() && !Busy()) {
    const std::function<void()> step = std::move(held_.front());
    held_.pop_front();
    RunStep(step);
  }
}

void HeldInput::RunStep(const std::function<void()>& step) {
  ++running_;
  struct Done {
    HeldInput& input;
    ~Done() {
      if (--input.running_ == 0) input.SendsEnded();
    }
  } done{*this};
  step();
}

}  // namespace kovra
