#include "app/board_sending.h"

#include <QProgressDialog>
#include <algorithm>

#include "board/board_commands.h"
#include "board/board_runs.h"
#include "board/canvas.h"
#include "board/drawing_commands.h"
#include "net/command.h"
#include "net/fan_out.h"

namespace kovra {

BoardSending::BoardSending(FanOut& fan_out, QWidget* window) : fan_out_(fan_out), window_(window) {
  timer_.setInterval(kTickMs);
  connect(&timer_, &QTimer::timeout, this, &BoardSending::Tick);
}

BoardSending::~BoardSending() { delete progress_.data(); }

void BoardSending::Start(const QImage& board, std::vector<std::string> names) {
  EndCurrent();
  if (TakeOver) {
    names.erase(std::remove_if(names.begin(), names.end(), TakeOver), names.end());
    if (names.empty()) return;
  }
  runs_ = std::make_unique<BoardRuns>(board);
  sending_part_ = false;
  runs_done_ = false;
  names_ = std::move(names);
  lines_per_tick_ = kLinesPerTick;
  stalled_.invalidate();
  pending_ = Pending{command::kNewKV, files::NewKV{board.width(), board.height()}.Build()};
  progress_ = new QProgressDialog(QStringLiteral("Доска отправляется…"), QStringLiteral("Отменить"),
                                  0, runs_->Rows(), window_);
  progress_->setObjectName(QStringLiteral("ProgressBoard"));
  progress_->setWindowTitle(QStringLiteral("Отправка доски"));
  progress_->setWindowModality(Qt::NonModal);
  progress_->setMinimumDuration(500);
  progress_->setValue(0);
  connect(progress_, &QProgressDialog::canceled, this, &BoardSending::Stop);
  timer_.start();
  Tick();  // the new board goes out before anything drawn meanwhile
}

bool BoardSending::SendPart(const QImage& pixels, QPoint at, std::vector<std::string> names) {
  const qint64 size = qint64{pixels.width()} * pixels.height();
  if (parts_pixels_ + size > BoardCanvas::kMaxPixels) return false;
  parts_pixels_ += size;
  parts_.push_back(Part{pixels.convertToFormat(QImage::Format_ARGB32), at, std::move(names)});
  if (!runs_) NextPart();
  return true;
}

void BoardSending::NextPart() {
  if (parts_.empty()) return;
  Part part = std::move(parts_.front());
  parts_.pop_front();
  parts_pixels_ -= qint64{part.pixels.width()} * part.pixels.height();
  // Its opaque pixels, white ones too: all of a picture, what changed of a step.
  runs_ = std::make_unique<BoardRuns>(std::move(part.pixels), part.at);
  sending_part_ = true;
  runs_done_ = false;
  names_ = std::move(part.names);
  lines_per_tick_ = kLinesPerTick;
  stalled_.invalidate();
  timer_.start();
  Tick();
}

bool BoardSending::SendPending(const std::vector<std::string>& names) {
  while (pending_ && pending_->next_name < names.size()) {
    // May run the event loop while a name is looked up; a cancel there ends it all.
    if (!fan_out_.SendToOne(names[pending_->next_name], pending_->command, pending_->args) &&
        fan_out_.Busy()) {
      return false;
    }
    if (pending_) ++pending_->next_name;
  }
  pending_.reset();
  return true;
}

void BoardSending::Tick() {
  if (sending_ || !runs_) return;
  sending_ = true;
  // A lookup may run the event loop, and a cancel there clears the names.
  const std::vector<std::string> names = names_;
  bool had_room = true;
  bool sent_any = false;
  for (int i = 0; i < lines_per_tick_ && runs_; ++i) {
    if (!pending_) {
      std::string args;
      if (runs_done_ || !runs_->NextLine(args)) {
        runs_done_ = true;
        break;
      }
      pending_ = Pending{command::kLineFromTo, std::move(args)};
    }
    const std::size_t reached = pending_->next_name;
    had_room = SendPending(names);
    sent_any = sent_any || !pending_ || pending_->next_name > reached;
    if (!had_room) break;
  }
  sending_ = false;
  if (!runs_) return;
  Pace(had_room, sent_any);
  if (!runs_) return;
  if (progress_) progress_->setValue(runs_->Row());
  if (runs_done_ && !pending_) {
    EndCurrent();
    NextPart();
  }
}

void BoardSending::Pace(bool had_room, bool sent_any) {
  if (had_room) {
    stalled_.invalidate();
    lines_per_tick_ = std::min(kLinesPerTick, lines_per_tick_ + kLinesPerTick / 10);
    timer_.setInterval(kTickMs);
    return;
  }
  // Half as many a tick, and at one a tick the ticks further apart, until
  // there is room again; the refused datagram goes first at the next tick.
  if (lines_per_tick_ == 1) timer_.setInterval(std::min(timer_.interval() * 2, 20 * kTickMs));
  lines_per_tick_ = std::max(1, lines_per_tick_ / 2);
  if (sent_any || !stalled_.isValid()) stalled_.start();
  if (!stalled_.hasExpired(kGiveUpMs)) return;
  const int row = runs_->Row();
  const int rows = runs_->Rows();
  const bool part = sending_part_;
  Stop();
  if (!OnFailed) return;
  OnFailed(part ? QStringLiteral("Картинка отправлена не всем копиям без расширения: сеть не "
                                 "принимает больше данных")
                : QStringLiteral("Доска отправлена не полностью (%1 из %2 строк): сеть не "
                                 "принимает больше данных")
                      .arg(row)
                      .arg(rows));
}

void BoardSending::Stop() {
  parts_.clear();
  parts_pixels_ = 0;
  EndCurrent();
}

void BoardSending::EndCurrent() {
  timer_.stop();
  runs_.reset();
  names_.clear();
  pending_.reset();
  if (progress_) {
    progress_->disconnect(this);
    progress_->deleteLater();
    progress_ = nullptr;
  }
}

}  // namespace kovra
