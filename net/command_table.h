// The received commands the program knows, matched by name without regard to
// letter case. A row is made from the command's argument type (its Name(),
// Parse and Build) and the handler that takes the parsed arguments, so a new
// command is one row, its handler and its case in the round-trip test.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kovra {

struct ReceivedCommand;

class CommandTable {
 public:
  using Handler = std::function<void(const std::string& args)>;
  // The argument text as its type reads it and writes it back.
  using Reread = std::string (*)(const std::string& args);

  struct Row {
    std::string upper_name;
    Handler handler;
    Reread reread;
  };

  // Adds the row of Args, or replaces the handler of the row of its name.
  template <typename Args, typename Handle>
  void Add(Handle handle) {
    Set(
        Args::Name(), [handle](const std::string& args) { handle(Args::Parse(args)); },
        [](const std::string& args) { return Args::Parse(args).Build(); });
  }
  // Adds a row that takes the argument text as it is, or replaces the
  // handler of the row of that name.
  void Set(const std::string& name, Handler handler, Reread reread = nullptr);
  // The handler of the row of that name; empty when there is none.
  Handler Get(const std::string& name) const;
  // Runs the handler of the matching row; false for an unknown command.
  bool Dispatch(const ReceivedCommand& received) const;
  // In the order received names are compared.
  const std::vector<Row>& Rows() const { return rows_; }

 private:
  std::vector<Row> rows_;
};

}  // namespace kovra
