// A whole board as drawing commands that every copy already replays: after
// a "NewKV" with its size, each row as runs of one colour, each run one
// one-pixel "ImageKV_LineFromTo" in the run's exact colour. A line leaves out
// its end pixel, so each run's line ends one pixel past it. White runs are
// left out: "NewKV" makes the board white.
#pragma once

#include <QImage>
#include <cstddef>
#include <string>

namespace kovra {

class BoardRuns {
 public:
  explicit BoardRuns(QImage board);

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
  int y_ = 0;
  int x_ = 0;
};

}  // namespace kovra
