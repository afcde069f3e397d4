// Sends the whole board to chosen correspondents as commands every copy
// already replays, paced so that no receiver's socket overflows; and parts
// of it (pictures put on it) the same way, one after another. A progress
// dialog shows how far it is and stops it on cancel; the window stays usable
// meanwhile, and what is drawn meanwhile goes out as usual. When the system
// has no room for a datagram, the sending slows down and sends it again; if
// nothing goes out for a while, it ends and says so.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
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
  // The sending ends when no datagram could go out for so long.
  static constexpr qint64 kGiveUpMs = 3000;

  BoardSending(FanOut& fan_out, QWidget* window);
  ~BoardSending() override;

  // Asked of each name first: true when it took the board to that name
  // another way (as tiles, to a copy that speaks the extension).
  std::function<bool(const std::string& name)> TakeOver;
  // Told when a sending ended before the whole board went out.
  std::function<void(const QString& text)> OnFailed;

  // Starts sending board to each name; one sending at a time, a new one
  // ends the one before.
  void Start(const QImage& board, std::vector<std::string> names);
  // Sends the pixels, their top left at at, to each name as one-pixel
  // lines, once what is being sent is out; false, sending nothing, when
  // the parts waiting already hold a board's worth.
  bool SendPart(const QImage& pixels, QPoint at, std::vector<std::string> names);
  // Ends the sending where it is, as its cancel button does, and every part waiting.
  void Stop();
  bool Running() const { return timer_.isActive(); }

 private:
  // A command on its way to the names, not yet sent to all of them.
  struct Pending {
    std::string command;
    std::string args;
    std::size_t next_name = 0;
  };
  void Tick();
  // Sends pending_ to the names it has not reached; false when the system
  // had no room and the rest waits.
  bool SendPending(const std::vector<std::string>& names);
  // Fewer lines a tick after the system had no room, more after it had.
  void Pace(bool had_room, bool sent_any);
  // Ends what is being sent now, leaving the parts that wait.
  void EndCurrent();
  void NextPart();

  struct Part {
    QImage pixels;
    QPoint at;
    std::vector<std::string> names;
  };

  FanOut& fan_out_;
  QWidget* window_;
  std::unique_ptr<BoardRuns> runs_;
  std::vector<std::string> names_;
  std::optional<Pending> pending_;
  bool runs_done_ = false;
  int lines_per_tick_ = kLinesPerTick;
  QElapsedTimer stalled_;  // since the last datagram that went out, while none can
  QTimer timer_;
  QPointer<QProgressDialog> progress_;
  bool sending_ = false;  // a tick is sending: a lookup's wait may run the next one
  std::deque<Part> parts_;
  qint64 parts_pixels_ = 0;
  bool sending_part_ = false;  // what is being sent is a part, not the board
};

}  // namespace kovra
