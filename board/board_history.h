// The steps drawn on the board, to take back and to do again: the local
// user's, and those of the peers that mark where theirs begin, so that a
// peer's "take my last step back" is done here as it was done there. A step
// is everything one gesture drew. Taking it back leaves what anybody drew
// after it: the step's area is set back to what it held before the step,
// and what was drawn there since (the others' commands, the tiles the repair
// pasted, later steps) is drawn over it again. The result is also given as
// pixels, for the boards that understand nothing else.
//
// The history also keeps the board as it was before the whole of it was
// last replaced (a new board, a loaded picture, a board sent by a peer), so
// that it can be brought back.
#pragma once

#include <QImage>
#include <QRect>
#include <cstddef>
#include <deque>
#include <list>
#include <map>
#include <optional>
#include <unordered_set>
#include <utility>
#include <variant>
#include <vector>

#include "board/canvas.h"
#include "board/drawing_commands.h"

namespace kovra {

class BoardHistory {
 public:
  // Steps kept for each one who draws, and the memory the history may hold,
  // the board's copies before each step and the pixels pasted since
  // included; the oldest steps give way first.
  static constexpr std::size_t kMaxSteps = 50;
  static constexpr qint64 kMaxBytes = qint64{64} << 20;
  // Whose step: the local user's, or a peer's by the key the replay gives it.
  static constexpr quint64 kOwn = 0;

  // What taking a step back or doing it again changed on the board: the
  // smallest area that holds every changed pixel, and its pixels, opaque
  // where they changed and fully transparent where they did not.
  struct Change {
    QRect area;
    QImage pixels;  // ARGB32, the size of area
  };

  // Listens to canvas: its replacements and pastes. The canvas outlives it.
  explicit BoardHistory(BoardCanvas& canvas);

  // A gesture begins; what its owner draws until the next begins (or, for
  // the user, until EndStep) is one step. A step that drew nothing is not
  // kept. Beginning one forgets the owner's steps taken back.
  void BeginStep(quint64 owner = kOwn);
  void EndStep();
  // A command about to be drawn, with the state it is drawn in and who draws it.
  void Drawing(const drawing::Command& command, const DrawingState& before, quint64 sender);

  bool CanUndo(quint64 owner = kOwn) const;
  bool CanRedo(quint64 owner = kOwn) const;
  // Takes the owner's last step back, or does the first one taken back
  // again, on the canvas; nullopt when there is none or nothing changed.
  std::optional<Change> Undo(quint64 owner = kOwn);
  std::optional<Change> Redo(quint64 owner = kOwn);

  // The board before the whole of it was last replaced; null when there is none.
  const QImage& Previous() const { return previous_; }
  // Whether anybody drew on the board since it was replaced: bringing the
  // previous one back would take that drawing away.
  bool DrawnSinceReplaced() const { return drawn_since_replaced_; }

  // The pixels that differ between before and after, which have one size.
  static std::optional<Change> Difference(const QImage& before, const QImage& after, QPoint at);

 private:
  // A tile of the board as it was before the step first drew there.
  struct Piece {
    QRect area;
    QImage pixels;
  };
  struct Step {
    quint64 owner = kOwn;
    std::size_t first = 0;       // the sequence number of the step's first entry
    std::unordered_set<int> kept;  // the board's tiles the pieces hold as they were
    QRect area;                  // around those tiles
    std::vector<Piece> pieces;
    bool undone = false;
    bool drew = false;
  };
  struct Drawn {
    drawing::Command command;
    DrawingState before;
  };
  struct Entry {
    const Step* step = nullptr;  // the user's step it belongs to, if any
    QRect bound;                 // no pixel outside it changed
    std::variant<Drawn, Change> what;
    qint64 bytes = 0;
    bool dead = false;  // of a step taken back and then forgotten
  };

  void Pasting(const QImage& pixels, QPoint at);
  void Replacing();
  using StepList = std::list<Step>;
  void Keep(Step& step, const QRect& area);
  void Add(Entry entry);
  void Trim();
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
  // The step's area drawn anew from before it, without the steps taken back.
  std::optional<Change> Recompute(const Step& step);
  qint64 StepBytes(const Step& step) const;

  BoardCanvas& canvas_;
  StepList steps_;  // oldest first; a list, so that a step stays where it is
  std::map<quint64, Step*> open_;  // each owner's step being drawn
  std::deque<Entry> entries_;
  std::size_t first_entry_ = 0;  // the sequence number of entries_.front()
  qint64 bytes_ = 0;
  bool applying_ = false;  // the history itself is pasting
  QImage previous_;
  bool drawn_since_replaced_ = false;
};

}  // namespace kovra
