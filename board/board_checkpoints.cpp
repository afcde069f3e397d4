// The copies of the board the history keeps at step starts, so that a step
// back draws anew from the latest before it, and what drawing anew costs.
#include "board/board_history.h"

namespace kovra {

qint64 BoardHistory::CostFrom(std::size_t seq) const {
  if (seq < first_entry_) seq = first_entry_;
  if (seq - first_entry_ >= entries_.size()) return 0;
  return cost_ - entries_[seq - first_entry_].cost_before;
}

std::size_t BoardHistory::CheckpointAt(std::size_t seq) const {
  auto after = checkpoints_.upper_bound(seq);
  if (after == checkpoints_.begin()) return first_entry_;
  return std::max(std::prev(after)->first, first_entry_);
}

void BoardHistory::Checkpoint() {
  // Kept only once about half a board's worth was drawn since the last:
  // one is free until the board is next drawn on, and then costs one copy,
  // which is cheaper than drawing that much again at a step back.
  const QImage& board = canvas_.Image();
  if (board.isNull() || cost_ - cost_at_checkpoint_ < qint64{board.width()} * board.height() / 2) {
    return;
  }
  const std::size_t seq = first_entry_ + entries_.size();
  const qint64 bytes = board.sizeInBytes();
  if (bytes > kMaxCheckpointBytes || checkpoints_.count(seq) != 0) return;
  // The oldest give way: they serve only the oldest steps, which are
  // forgotten when they cost too much without them.
  while (!checkpoints_.empty() && checkpoint_bytes_ + bytes > kMaxCheckpointBytes) {
    checkpoint_bytes_ -= checkpoints_.begin()->second.sizeInBytes();
    checkpoints_.erase(checkpoints_.begin());
  }
  checkpoints_.emplace(seq, board);
  checkpoint_bytes_ += bytes;
  cost_at_checkpoint_ = cost_;
}

void BoardHistory::Advance(std::size_t seq) {
  // From the latest copy at or before seq, when there is one, instead of
  // drawing everything before it into base_.
  const std::size_t from = CheckpointAt(seq);
  if (from > first_entry_) {
    base_.Reset(checkpoints_.at(from));
    while (first_entry_ < from && !entries_.empty()) {
      bytes_ -= entries_.front().bytes;
      entries_.pop_front();
      ++first_entry_;
    }
  }
  while (!checkpoints_.empty() && checkpoints_.begin()->first <= first_entry_) {
    checkpoint_bytes_ -= checkpoints_.begin()->second.sizeInBytes();
    checkpoints_.erase(checkpoints_.begin());
  }
  while (first_entry_ < seq && !entries_.empty()) {
    if (Counts(entries_.front())) Apply(base_, entries_.front());
    bytes_ -= entries_.front().bytes;
    entries_.pop_front();
    ++first_entry_;
  }
}

void BoardHistory::Toggled(const Step& step) {
  // The copies after the step were taken with it as it was.
  for (auto it = checkpoints_.upper_bound(step.first); it != checkpoints_.end();) {
    checkpoint_bytes_ -= it->second.sizeInBytes();
    it = checkpoints_.erase(it);
  }
}

}  // namespace kovra
