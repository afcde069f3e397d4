#include "app/board_sending.h"

#include <QProgressDialog>

#include "board/board_runs.h"
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
  Stop();
  runs_ = std::make_unique<BoardRuns>(board);
  names_ = std::move(names);
  const std::string size = std::to_string(board.width()) + " " + std::to_string(board.height());
  for (const std::string& name : names_) fan_out_.SendToOne(name, command::kNewKV, size);
  progress_ = new QProgressDialog(QStringLiteral("Доска отправляется…"), QStringLiteral("Отменить"),
                                  0, runs_->Rows(), window_);
  progress_->setObjectName(QStringLiteral("ProgressBoard"));
  progress_->setWindowTitle(QStringLiteral("Отправка доски"));
  progress_->setWindowModality(Qt::NonModal);
  progress_->setMinimumDuration(500);
  progress_->setValue(0);
  connect(progress_, &QProgressDialog::canceled, this, &BoardSending::Stop);
  timer_.start();
}

void BoardSending::Tick() {
  if (sending_ || !runs_) return;
  sending_ = true;
  // A lookup may run the event loop, and a cancel there clears the names.
  const std::vector<std::string> names = names_;
  std::string args;
  bool more = true;
  for (int i = 0; i < kLinesPerTick && more && runs_; ++i) {
    more = runs_->NextLine(args);
    if (!more) break;
    for (const std::string& name : names) fan_out_.SendToOne(name, command::kLineFromTo, args);
  }
  sending_ = false;
  if (!runs_) return;
  if (progress_) progress_->setValue(runs_->Row());
  if (!more) Stop();
}

void BoardSending::Stop() {
  timer_.stop();
  runs_.reset();
  names_.clear();
  if (progress_) {
    progress_->disconnect(this);
    progress_->deleteLater();
    progress_ = nullptr;
  }
}

}  // namespace kovra
