// Sends the whole board to chosen correspondents as commands every copy
// already replays, paced so that no receiver's socket overflows. A progress
// dialog shows how far it is and stops it on cancel; the window stays usable
// meanwhile, and what is drawn meanwhile goes out as usual.
#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace kovra {

class BoardRuns;
class FanOut;

class BoardSending : public QObject {
  Q_OBJECT

 public:
  // Lines sent per tick and the tick: about 20,000 datagrams a second,
  // which a copy drains faster than they come.
  static constexpr int kLinesPerTick = 200;
  static constexpr int kTickMs = 10;
  static constexpr int kLinesPerSecond = kLinesPerTick * 1000 / kTickMs;

  BoardSending(FanOut& fan_out, QWidget* window);
  ~BoardSending() override;

  // Starts sending board to each name; one sending at a time, a new one
  // ends the one before.
  void Start(const QImage& board, std::vector<std::string> names);
  // Ends the sending where it is, as its cancel button does.
  void Stop();
  bool Running() const { return timer_.isActive(); }

 private:
  void Tick();

  FanOut& fan_out_;
  QWidget* window_;
  std::unique_ptr<BoardRuns> runs_;
  std::vector<std::string> names_;
  QTimer timer_;
  QPointer<QProgressDialog> progress_;
  bool sending_ = false;  // a tick is sending: a lookup's wait may run the next one
};

}  // namespace kovra
