// The board's input in the order the user gave it. A send runs the event
// loop, so a mouse event may arrive while the command of the event before
// it is still going out; such input waits here and is handled, in order,
// once no send is under way and the step before it has ended (a step may
// run the event loop itself, as the text tool does between its commands). The peers then get a
// stroke's commands in the order it was drawn, as the local board draws it.
#pragma once

#include <QObject>
#include <deque>
#include <functional>

namespace kovra {

class HeldInput : public QObject {
 public:
  // busy tells whether a send is under way.
  explicit HeldInput(std::function<bool()> busy, QObject* parent = nullptr)
      : QObject(parent), busy_(std::move(busy)) {}

  // Runs step now, or after what is held already once nothing is sent.
  void Run(std::function<void()> step);
  // The sends are over: what is held runs from the event loop.
  void SendsEnded();
  bool Holding() const { return !held_.empty(); }

 private:
  void RunHeld();
  void RunStep(const std::function<void()>& step);
  bool Busy() const { return running_ > 0 || busy_(); }

  std::function<bool()> busy_;
  int running_ = 0;  // steps under way, one inside another's event loop
  std::deque<std::function<void()>> held_;
  bool scheduled_ = false;
};

}  // namespace kovra
