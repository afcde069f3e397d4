#include "board/board_history.h"

#include <QPainter>
#include <algorithm>
#include <climits>
#include <cstring>
#include <type_traits>

#include "board/board_tiles.h"
#include "board/replay.h"
#include "support/error_guard.h"

namespace kovra {
namespace {

constexpr QRgb kColorBits = 0x00FFFFFF;

// The box from (left, top) up to, not including, (right, bottom), cut to the board.
QRect Clamped(qint64 left, qint64 top, qint64 right, qint64 bottom, const QRect& board) {
  left = std::max<qint64>(left, board.left());
  top = std::max<qint64>(top, board.top());
  right = std::min<qint64>(right, qint64{board.right()} + 1);
  bottom = std::min<qint64>(bottom, qint64{board.bottom()} + 1);
  if (right <= left || bottom <= top) return {};
  return QRect(int(left), int(top), int(right - left), int(bottom - top));
}

// Where a command may change pixels, drawn in state on a board of rect
// board: an empty rectangle for a command that draws nothing. A fill and a
// text may reach anywhere.
QRect Bound(const drawing::Command& command, const DrawingState& state, const QRect& board) {
  auto around = [&](qint64 x0, qint64 y0, qint64 x1, qint64 y1, int width) {
    // A width that the canvas ignores leaves the state's.
    const qint64 margin = std::max<qint64>(std::max(width, state.pen_width), 1) / 2 + 2;
    return Clamped(std::min(x0, x1) - margin, std::min(y0, y1) - margin,
                   std::max(x0, x1) + margin + 1, std::max(y0, y1) + margin + 1, board);
  };
  return std::visit(
      [&](const auto& step) -> QRect {
        using Step = std::decay_t<decltype(step)>;
        if constexpr (std::is_same_v<Step, drawing::LineTo>) {
          return around(state.pen_pos.x(), state.pen_pos.y(), step.x, step.y, step.width);
        } else if constexpr (std::is_base_of_v<drawing::Figure, Step>) {
          return around(step.x0, step.y0, step.x1, step.y1, step.width);
        } else if constexpr (std::is_same_v<Step, drawing::FloodFill>) {
          return board;
        } else if constexpr (std::is_same_v<Step, drawing::TextOut>) {
          return step.text.empty() ? QRect() : board;
        } else if constexpr (std::is_same_v<Step, drawing::Paste>) {
          return Clamped(step.x, step.y, qint64{step.x} + step.width, qint64{step.y} + step.height,
                         board);
        } else {
          return QRect();  // moves the pen, sets the font, or points
        }
      },
      command);
}

// The pixels drawing a command again may touch: a fill may flow over the
// whole board, a text only over its letters.
qint64 Cost(const drawing::Command& command, const QRect& bound) {
  const qint64 area = qint64{bound.width()} * bound.height();
  if (const auto* text = std::get_if<drawing::TextOut>(&command)) {
    return std::min<qint64>(area, 4096 * (qint64(text->text.size()) + 1));
  }
  return area;
}

// Copies the opaque pixels of change onto image, whose top left is at origin.
void Overlay(QImage& image, const BoardHistory::Change& change, QPoint origin) {
  QPainter painter(&image);
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter.drawImage(change.area.topLeft() - origin, change.pixels);
}

}  // namespace

BoardHistory::BoardHistory(BoardCanvas& canvas) : canvas_(canvas) {
  canvas_.SetReplaceListener([this] { Replacing(); });
  canvas_.SetPasteListener([this](const QImage& pixels, QPoint at) { Pasting(pixels, at); });
}

BoardHistory::Step* BoardHistory::Open(quint64 owner) const {
  const auto open = open_.find(owner);
  return open != open_.end() ? open->second : nullptr;
}

void BoardHistory::BeginStep(quint64 owner, qint64 mark) {
  // What was taken back can no longer be done again: its commands stay, drawn never more.
  for (auto step = steps_.begin(); step != steps_.end();) {
    const auto next = std::next(step);
    if (step->owner == owner && step->undone) Forget(step);
    step = next;
  }
  EndStep(owner);
  if (steps_.empty()) {
    // Nothing to draw anew until now: the board as it is, shared until it is drawn on.
    Clear();
    base_.Reset(canvas_.Image());
  } else {
    Checkpoint();
  }
  Step step;
  step.owner = owner;
  step.mark = mark;
  step.last = mark;
  step.first = first_entry_ + entries_.size();
  steps_.push_back(std::move(step));
  open_[owner] = &steps_.back();
  Trim();
}

void BoardHistory::EndStep() { EndStep(kOwn); }

void BoardHistory::EndStep(quint64 owner) {
  Step* open = Open(owner);
  if (open == nullptr) return;
  open_.erase(owner);
  if (!open->drew) {
    Forget(std::find_if(steps_.begin(), steps_.end(),
                        [open](const Step& step) { return &step == open; }));
  }
  Trim();
}

void BoardHistory::Drawing(const drawing::Command& command, const DrawingState& before,
                           quint64 sender) {
  if (!canvas_.HasPicture()) return;
  const QRect bound = Bound(command, before, canvas_.Image().rect());
  if (bound.isEmpty()) return;
  drawn_since_replaced_ = true;
  // Nobody's step to take back: nothing to draw again either.
  if (steps_.empty()) return;
  Step* step = Open(sender);
  if (step != nullptr) {
    step->drew = true;
    if (clock_) step->last = clock_();
  }
  // A picture's part holds its pixels' text: the memory it takes is counted.
  const auto* piece = std::get_if<drawing::Paste>(&command);
  const qint64 bytes =
      qint64{sizeof(Entry)} + 64 + (piece != nullptr ? qint64(piece->text.capacity()) : 0);
  Add(Entry{step, bound, Drawn{command, before}, bytes, Cost(command, bound)});
}

void BoardHistory::Pasting(const QImage& pixels, QPoint at) {
  if (applying_ || steps_.empty()) return;
  const QRect area = QRect(at, pixels.size()).intersected(canvas_.Image().rect());
  if (area.isEmpty()) return;
  const QImage after = pixels.copy(area.translated(-at)).convertToFormat(QImage::Format_RGB32);
  if (auto change = Difference(canvas_.Image().copy(area), after, after.rect())) {
    change->area.translate(area.topLeft());
    const qint64 bytes = qint64{sizeof(Entry)} + change->pixels.sizeInBytes();
    const QRect changed = change->area;
    const qint64 cost = qint64{changed.width()} * changed.height();
    Add(Entry{nullptr, changed, std::move(*change), bytes, cost});
  }
}

void BoardHistory::Replacing() {
  // Only a replacement that took drawing away leaves what cannot be drawn again.
  const QImage& board = canvas_.Image();
  if (clock_ && !board.isNull() && !tiles::IsWhite(board, board.rect())) replaced_at_ = clock_();
  previous_ = canvas_.Image();  // shared until either is drawn on
  drawn_since_replaced_ = false;
  Clear();
}

void BoardHistory::Add(Entry entry) {
  bytes_ += entry.bytes;
  entry.cost_before = cost_;
  cost_ += entry.cost;
  entries_.push_back(std::move(entry));
  if (bytes_ > kMaxBytes ||
      (!steps_.empty() && CostFrom(CheckpointAt(steps_.front().first)) > kMaxReplayPixels)) {
    Trim();
  }
}

void BoardHistory::Forget(StepList::iterator step) {
  if (step == steps_.end()) return;
  for (Entry& entry : entries_) {
    if (entry.step != &*step) continue;
    entry.step = nullptr;
    entry.dead = step->undone;
  }
  if (Open(step->owner) == &*step) open_.erase(step->owner);
  if (step->owner == kOwn && step->drew && !step->undone) {
    forgotten_own_mark_ = std::max(forgotten_own_mark_, step->last);
  }
  steps_.erase(step);
}

void BoardHistory::Trim() {
  std::map<quint64, std::size_t> counts;
  for (const Step& step : steps_) ++counts[step.owner];
  for (auto step = steps_.begin(); step != steps_.end();) {
    const auto next = std::next(step);
    if (counts[step->owner] > (step->owner == kOwn ? kMaxOwnSteps : kMaxSteps)) {
      --counts[step->owner];
      Forget(step);
    }
    step = next;
  }
  // Only what came after the oldest step is ever drawn again; what came
  // before goes into the copy it is drawn on. The oldest steps give way
  // until the rest fits and the oldest costs little enough to take back,
  // the user's gesture in progress whatever it holds.
  for (;;) {
    if (steps_.empty()) return Clear();
    Advance(steps_.front().first);
    const bool too_large = bytes_ > kMaxBytes;
    if (!too_large && CostFrom(CheckpointAt(steps_.front().first)) <= kMaxReplayPixels) return;
    auto oldest = steps_.begin();
    if (&*oldest == Open(kOwn)) {
      if (!too_large) return;
      ++oldest;
    }
    if (oldest == steps_.end()) return;
    Forget(oldest);
  }
}

void BoardHistory::Clear() {
  first_entry_ += entries_.size();
  entries_.clear();
  steps_.clear();
  open_.clear();
  bytes_ = 0;
  base_ = BoardCanvas();
  spare_ = QImage();
  checkpoints_.clear();
  checkpoint_bytes_ = 0;
  cost_at_checkpoint_ = cost_;
}

BoardHistory::Step* BoardHistory::LastDone(quint64 owner) const {
  // The user's gesture in progress is not over; a peer's last step is
  // open until its next begins, and it is the one the peer means.
  const Step* busy = owner == kOwn ? Open(kOwn) : nullptr;
  // Only the last kMaxSteps are taken back: the others keep no more of them.
  std::size_t seen = 0;
  for (auto step = steps_.rbegin(); step != steps_.rend(); ++step) {
    if (step->owner != owner || &*step == busy) continue;
    if (++seen > kMaxSteps) return nullptr;
    if (step->drew && !step->undone) {
      return const_cast<Step*>(&*step);
    }
  }
  return nullptr;
}

BoardHistory::Step* BoardHistory::FirstUndone(quint64 owner) const {
  for (const Step& step : steps_) {
    if (step.owner == owner && step.undone) return const_cast<Step*>(&step);
  }
  return nullptr;
}

bool BoardHistory::CanUndo(quint64 owner) const { return LastDone(owner) != nullptr; }
bool BoardHistory::CanRedo(quint64 owner) const { return FirstUndone(owner) != nullptr; }

std::optional<BoardHistory::Change> BoardHistory::Undo(quint64 owner) {
  Step* step = LastDone(owner);
  if (step == nullptr) return std::nullopt;
  step->undone = true;
  Toggled(*step);
  return Recompute(*step);
}

std::optional<BoardHistory::Change> BoardHistory::Redo(quint64 owner) {
  Step* step = FirstUndone(owner);
  if (step == nullptr) return std::nullopt;
  step->undone = false;
  Toggled(*step);
  return Recompute(*step);
}

bool BoardHistory::Counts(const Entry& entry) {
  return !entry.dead && (entry.step == nullptr || !entry.step->undone);
}

void BoardHistory::Apply(BoardCanvas& canvas, const Entry& entry) {
  if (const auto* drawn = std::get_if<Drawn>(&entry.what)) {
    DrawingState state = drawn->before;
    canvas.SwapState(state);
    try {
      PaintCommand(canvas, drawn->command);
    } catch (const Error&) {
      // It failed the same way when it came: it drew nothing then either.
    }
    return;
  }
  const Change& change = std::get<Change>(entry.what);
  QImage pixels = canvas.Image().copy(change.area);
  Overlay(pixels, change, change.area.topLeft());
  canvas.Paste(pixels, change.area.topLeft());
}

std::optional<BoardHistory::Change> BoardHistory::Recompute(const Step& step) {
  const std::size_t from = CheckpointAt(step.first);
  const auto checkpoint = checkpoints_.find(from);
  const QImage& start = checkpoint != checkpoints_.end() ? checkpoint->second : base_.Image();
  if (start.isNull() || start.size() != canvas_.Image().size()) return std::nullopt;
  BoardCanvas scratch;
  scratch.Reset(ScratchFrom(start));
  // Only where something was drawn since can the two boards differ.
  QRect drawn;
  last_redrawn_ = 0;
  for (std::size_t i = from - first_entry_; i < entries_.size(); ++i) {
    const Entry& entry = entries_[i];
    drawn |= entry.bound;
    if (!Counts(entry)) continue;
    Apply(scratch, entry);
    ++last_redrawn_;
  }
  drawn &= canvas_.Image().rect();
  if (drawn.isEmpty()) return std::nullopt;
  auto change = Difference(canvas_.Image(), scratch.Image(), drawn);
  if (!change) return std::nullopt;
  change->mark = step.mark;
  applying_ = true;
  canvas_.Paste(scratch.Image().copy(change->area), change->area.topLeft());
  applying_ = false;
  if (scratch.Image().sizeInBytes() <= kMaxSpareBytes) spare_ = scratch.Image();
  return change;
}

QImage BoardHistory::ScratchFrom(const QImage& start) {
  // A board's worth of fresh memory costs more to map than to fill: the
  // last one drawn on is filled again when it is the right size.
  QImage scratch = std::exchange(spare_, QImage());
  if (scratch.size() != start.size() || scratch.format() != start.format() ||
      scratch.bytesPerLine() != start.bytesPerLine() || start.format() != QImage::Format_RGB32) {
    return start;  // shared until the first command draws
  }
  std::memcpy(scratch.bits(), start.constBits(), std::size_t(start.sizeInBytes()));
  scratch.setDotsPerMeterX(start.dotsPerMeterX());
  scratch.setDotsPerMeterY(start.dotsPerMeterY());
  return scratch;
}

std::optional<BoardHistory::Change> BoardHistory::Difference(const QImage& before,
                                                             const QImage& after,
                                                             const QRect& area) {
  // Compared where they lie, without copies: a board may be tens of megabytes.
  const QImage old_pixels = before.convertToFormat(QImage::Format_RGB32);
  const QImage new_pixels = after.convertToFormat(QImage::Format_RGB32);
  const QRect within = area & old_pixels.rect() & new_pixels.rect();
  int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
  const std::size_t row_bytes = std::size_t(std::max(within.width(), 0)) * sizeof(QRgb);
  for (int y = within.top(); y <= within.bottom(); ++y) {
    const auto* was = reinterpret_cast<const QRgb*>(old_pixels.constScanLine(y));
    const auto* is = reinterpret_cast<const QRgb*>(new_pixels.constScanLine(y));
    // Most rows are alike byte for byte, which is quick to tell.
    if (std::memcmp(was + within.left(), is + within.left(), row_bytes) == 0) continue;
    for (int x = within.left(); x <= within.right(); ++x) {
      if (((was[x] ^ is[x]) & kColorBits) == 0) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = y;
    }
  }
  if (right < 0) return std::nullopt;
  const QRect box(QPoint(left, top), QPoint(right, bottom));
  QImage pixels(box.size(), QImage::Format_ARGB32);
  for (int y = 0; y < box.height(); ++y) {
    const auto* was = reinterpret_cast<const QRgb*>(old_pixels.constScanLine(y + top)) + left;
    const auto* is = reinterpret_cast<const QRgb*>(new_pixels.constScanLine(y + top)) + left;
    auto* out = reinterpret_cast<QRgb*>(pixels.scanLine(y));
    for (int x = 0; x < box.width(); ++x) {
      out[x] = ((was[x] ^ is[x]) & kColorBits) != 0 ? (is[x] | 0xFF000000) : 0;
    }
  }
  return Change{box, std::move(pixels)};
}

}  // namespace kovra
