// Complete windows in one process, as on separate computers: window i has
// its own loopback address, 127.0.0.2 upwards, and all share one free port.
// Each is named by its address, or by a computer name that no name service
// knows, as on most LANs.
#pragma once

#include <QImage>
#include <QPoint>
#include <memory>
#include <string>
#include <vector>

#include "common/test_window.h"

namespace kovra::test {

class WindowGroup {
 public:
  enum class Names { kAddresses, kUnresolvable };
  explicit WindowGroup(int count, Names names = Names::kAddresses);
  TestWindow& operator[](int i) { return *windows_[static_cast<std::size_t>(i)]; }
  TForm1& Form(int i) { return (*this)[i].Window(); }
  std::string Name(int i) { return (*this)[i].Env().computer_name; }
  quint16 Port() const { return port_; }

  // Writes into each window's list every other window's address, absent.
  void ListEachOther();
  // Builds every window first, so that no announcement finds a peer missing,
  // then waits out every first tick.
  void StartAll();
  // Waits until every window lists every other one as present.
  bool AllPresent();
  // The usual start: each lists the others, all start, and all find each
  // other present; false when they never do.
  bool StartListingEachOther();

 private:
  quint16 port_;
  std::vector<std::unique_ptr<TestWindow>> windows_;
};

// A stroke as a window draws it with the freehand tool: a press at the
// first point and a move to each of the others.
struct Stroke {
  int window;
  std::vector<QPoint> points;
};

// Draws the strokes at the same time, one step of each in turn, each step's
// datagrams on their way before the next stroke moves on.
void DrawInterleaved(WindowGroup& group, const std::vector<Stroke>& strokes);
// A fresh board with the strokes drawn on it, each apart from the others.
QImage UnionOfStrokes(const std::vector<Stroke>& strokes);

// Waits up to 3 s for form's correspondent list to be exactly lines.
bool WaitForLines(TForm1& form, const std::vector<std::string>& lines);

}  // namespace kovra::test
