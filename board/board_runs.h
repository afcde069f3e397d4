// A whole board as drawing commands that every copy already replays: after
// a "NewKV" with its size, each row as runs of one colour, each run one
// one-pixel "ImageKV_LineFromTo" in the run's exact colour. A line leaves out
// its end pixel, so each run's line ends one pixel past it. White runs are
// left out: "NewKV" makes the board white. A part of a board that changed
// goes the same way without the "NewKV".
#pragma once

#include <QImage>
#include <QPoint>
#include <cstddef>
#include <string>

namespace kovra {

class BoardRuns {
 public:
  explicit BoardRuns(QImage board);
  // Only the opaque pixels of an ARGB32 part of the board whose top left is
  // at: what changed there, in the same one-pixel lines.
  BoardRuns(QImage changed, QPoint at);

  // The argument text of the next run's "ImageKV_LineFromTo"; false after
  // the last.
  bool NextLine(std::string& args);
  // The row the commands have reached, and the rows in all.
  int Row() const { return y_; }
  int Rows() const { return board_.height(); }
  // The lines of a board in all, counted without building them.
  static std::size_t Count(const QImage& board);

 private:
  QImage board_;
  QPoint at_;
  bool changed_only_ = false;
  int y_ = 0;
  int x_ = 0;
};

}  // namespace kovra
