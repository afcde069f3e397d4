// Timers that finish a wait begun earlier.
#pragma once

#include <QElapsedTimer>
#include <algorithm>

namespace kovra {

// What is left of a wait of ms begun when since started, as a timer takes
// it: never negative, though the clock may have passed the end since it was
// last read.
inline int RemainingMs(const QElapsedTimer& since, qint64 ms) {
  return static_cast<int>(std::clamp<qint64>(ms - since.elapsed(), 0, ms));
}

}  // namespace kovra
