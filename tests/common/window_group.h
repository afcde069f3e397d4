// Complete windows in one process, as on separate computers: window i is
// named by its own loopback address, 127.0.0.2 upwards, and all share one
// free port.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/test_window.h"

namespace kovra::test {

class WindowGroup {
 public:
  explicit WindowGroup(int count);
  TestWindow& operator[](int i) { return *windows_[static_cast<std::size_t>(i)]; }
  TForm1& Form(int i) { return (*this)[i].Window(); }
  std::string Name(int i) { return (*this)[i].Env().computer_name; }
  quint16 Port() const { return port_; }

  // Writes into each window's list every other window, absent.
  void ListEachOther();
  // Builds every window first, so that no announcement finds a peer missing,
  // then waits out every first tick.
  void StartAll();
  // Waits until every window lists every other one as present.
  bool AllPresent();

 private:
  quint16 port_;
  std::vector<std::unique_ptr<TestWindow>> windows_;
};

}  // namespace kovra::test
