// The received commands the program knows, each with its handler, matched
// by name without regard to letter case.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kovra {

struct ReceivedCommand;

class CommandTable {
 public:
  using Handler = std::function<void(const std::string& args)>;

  // Adds a row, or replaces the handler of the row of that name.
  void Set(const std::string& name, Handler handler);
  // The handler of the row of that name; empty when there is none.
  Handler Get(const std::string& name) const;
  // Runs the handler of the matching row; false for an unknown command.
  bool Dispatch(const ReceivedCommand& received) const;

 private:
  struct Row {
    std::string upper_name;
    Handler handler;
  };
  std::vector<Row> rows_;
};

}  // namespace kovra
