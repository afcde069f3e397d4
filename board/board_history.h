// The steps drawn on the board, to take back and to do again: the local
// user's, and those of the peers that mark where theirs begin, so that a
// peer's "take my last step back" is done here as it was done there. A step
// is everything one gesture drew. Taking it back leaves what anybody drew
// after it: the board is drawn anew from a copy of it made before that
// step, with every command (anybody's) and every pixel the repair pasted
// since, in their order, except the steps taken back. Two people taking
// back at once thus end on the same board, and a fill flows as it would
// have. What changed is also given as pixels, for the boards that
// understand nothing else.
//
// Drawing anew costs at most about one board's worth of work beyond the
// commands since the step: a copy of the board is kept at the start of a
// step whenever that much was drawn since the last copy, and a step that
// would cost more than kMaxReplayPixels to take back is forgotten, however
// the history was filled.
//
// The history also keeps the board as it was before the whole of it was
// last replaced (a new board, a loaded picture, a board sent by a peer), so
// that it can be brought back.
#pragma once

#include <QImage>
#include <QRect>
#include <cstddef>
#include <deque>
#include <functional>
#include <limits>
#include <list>
#include <map>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

#include "board/canvas.h"
#include "board/drawing_commands.h"

namespace kovra {

class BoardHistory {
 public:
  // Steps kept for each one who draws, and the memory the commands and
  // pixels drawn since the oldest may take; the oldest steps give way first.
  static constexpr std::size_t kMaxSteps = 50;
  // The user's own are kept longer, to be drawn again after a long time
  // apart from the session (see OwnStepsBetween), but taken back as far.
  static constexpr std::size_t kMaxOwnSteps = 1000;
  static constexpr qint64 kMaxBytes = qint64{64} << 20;
  // The pixels drawing anew may touch at most, and the memory the copies
  // kept at step starts may take.
  static constexpr qint64 kMaxReplayPixels = qint64{48} << 20;
  static constexpr qint64 kMaxCheckpointBytes = qint64{256} << 20;
  // A board drawn anew is kept for the next step back up to this size.
  static constexpr qint64 kMaxSpareBytes = qint64{64} << 20;
  // Whose step: the local user's, or a peer's by the key the replay gives it.
  static constexpr quint64 kOwn = 0;

  // What taking a step back or doing it again changed on the board: the
  // smallest area that holds every changed pixel, and its pixels, opaque
  // where they changed and fully transparent where they did not.
  struct Change {
    QRect area;
    QImage pixels;    // ARGB32, the size of area
    qint64 mark = 0;  // what the step's owner gave BeginStep
  };

  // Listens to canvas: its replacements and pastes. The canvas outlives it.
  explicit BoardHistory(BoardCanvas& canvas);

  // A gesture begins; what its owner draws until the next begins (or, for
  // the user, until EndStep) is one step. A step that drew nothing is not
  // kept. Beginning one forgets the owner's steps taken back.
  // mark is the owner's own note of the step, handed back with its changes.
  void BeginStep(quint64 owner = kOwn, qint64 mark = 0);
  void EndStep();
  // A command about to be drawn, with the state it is drawn in and who draws it.
  void Drawing(const drawing::Command& command, const DrawingState& before, quint64 sender);

  bool CanUndo(quint64 owner = kOwn) const;
  bool CanRedo(quint64 owner = kOwn) const;
  // Takes the owner's last step back, or does the first one taken back
  // again, on the canvas; nullopt when there is none or nothing changed.
  std::optional<Change> Undo(quint64 owner = kOwn);
  std::optional<Change> Redo(quint64 owner = kOwn);

  // How many commands the last step back or again drew anew: those since
  // the latest copy of the board kept before the step.
  std::size_t LastRedrawn() const { return last_redrawn_; }

  // The board before the whole of it was last replaced; null when there is none.
  const QImage& Previous() const { return previous_; }
  // Whether anybody drew on the board since it was replaced: bringing the
  // previous one back would take that drawing away.
  bool DrawnSinceReplaced() const { return drawn_since_replaced_; }

  // The user's own steps drawn on at or after from that began (by their
  // marks) before to and are not taken back, each as commands that draw it
  // again from any state; whole is false when a step of that time was
  // forgotten or a board with drawing on it was replaced since from.
  struct OwnSteps {
    std::vector<std::vector<drawing::Command>> steps;
    bool whole = true;
  };
  OwnSteps OwnStepsBetween(qint64 from, qint64 to) const;
  // Everybody's steps drawn on here at or after from (on the clock), that
  // are not taken back, as OwnStepsBetween gives them.
  OwnSteps StepsDrawnSince(qint64 from) const;
  // The time marks are counted in, for telling when the board was replaced.
  void SetClock(std::function<qint64()> clock) { clock_ = std::move(clock); }

  // The pixels within area that differ between before and after, which
  // have one size.
  static std::optional<Change> Difference(const QImage& before, const QImage& after,
                                          const QRect& area);

 private:
  struct Step {
    quint64 owner = kOwn;
    qint64 mark = 0;
    qint64 last = 0;        // when it was last drawn in here, on the clock
    std::size_t first = 0;  // the sequence number of the step's first entry
    bool undone = false;
    bool drew = false;
  };
  struct Drawn {
    drawing::Command command;
    DrawingState before;
  };
  struct Entry {
    const Step* step = nullptr;  // the step it belongs to, if any
    QRect bound;                 // no pixel outside it changed
    std::variant<Drawn, Change> what;
    qint64 bytes = 0;
    qint64 cost = 0;         // the pixels drawing it again may touch
    qint64 cost_before = 0;  // the cost of everything added before it
    bool dead = false;       // of a step taken back and then forgotten
  };

  void Pasting(const QImage& pixels, QPoint at);
  void Replacing();
  using StepList = std::list<Step>;
  void Add(Entry entry);
  void Trim();
  // The commands of the steps wanted, each step's as commands that draw it
  // again from any state, in the order the steps began.
  std::vector<std::vector<drawing::Command>> CommandsOf(
      const std::function<bool(const Step&)>& wanted) const;
  // Drops a step: its commands stay, drawn again as anybody's, unless it
  // was taken back.
  void Forget(StepList::iterator step);
  // The owner's step being drawn, if any.
  Step* Open(quint64 owner) const;
  void EndStep(quint64 owner);
  // The owner's last step not taken back, and the first one taken back.
  Step* LastDone(quint64 owner) const;
  Step* FirstUndone(quint64 owner) const;
  void Clear();
  // Draws an entry on canvas, as it was drawn.
  static void Apply(BoardCanvas& canvas, const Entry& entry);
  // Whether an entry is drawn when the board is drawn anew.
  static bool Counts(const Entry& entry);
  // The board drawn anew from the latest copy before step, without the steps taken back.
  std::optional<Change> Recompute(const Step& step);
  // The board to draw anew on, holding start's pixels.
  QImage ScratchFrom(const QImage& start);
  // The cost of everything added from the entry numbered seq on.
  qint64 CostFrom(std::size_t seq) const;
  // The number of the entry the latest copy at or before seq was taken at.
  std::size_t CheckpointAt(std::size_t seq) const;
  // A copy of the board at the start of a step, when enough was drawn since the last.
  void Checkpoint();
  // Drops the entries before seq (a step's first), taking base_ forward.
  void Advance(std::size_t seq);
  // A step was taken back or done again: the copies after it no longer hold.
  void Toggled(const Step& step);

  BoardCanvas& canvas_;
  StepList steps_;                 // oldest first; a list, so that a step stays where it is
  std::map<quint64, Step*> open_;  // each owner's step being drawn
  std::deque<Entry> entries_;
  std::size_t first_entry_ = 0;  // the sequence number of entries_.front()
  // The board as it was before entries_.front(): kept while a step is.
  BoardCanvas base_;
  // Copies of the board before the entry of each number, with every entry
  // before it drawn as it counts now; those after a step taken back or done
  // again are dropped.
  std::map<std::size_t, QImage> checkpoints_;
  qint64 checkpoint_bytes_ = 0;
  qint64 cost_ = 0;  // of everything ever added
  qint64 cost_at_checkpoint_ = 0;
  qint64 bytes_ = 0;
  bool applying_ = false;  // the history itself is pasting
  QImage spare_;           // the last board drawn anew, to draw on again
  std::size_t last_redrawn_ = 0;
  QImage previous_;
  bool drawn_since_replaced_ = false;
  std::function<qint64()> clock_;
  static constexpr qint64 kLongAgo = std::numeric_limits<qint64>::min();
  qint64 replaced_at_ = kLongAgo;
  qint64 forgotten_own_mark_ = kLongAgo;  // the latest mark of an own step forgotten
};

}  // namespace kovra
