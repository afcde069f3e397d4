#include "net/command_table.h"

#include "net/command.h"
#include "support/text.h"

namespace kovra {

void CommandTable::Set(const std::string& name, Handler handler, Reread reread) {
  std::string upper_name = UpperText(name);
  for (Row& row : rows_) {
    if (row.upper_name == upper_name) {
      row.handler = std::move(handler);
      if (reread != nullptr) row.reread = reread;
      return;
    }
  }
  rows_.push_back({std::move(upper_name), std::move(handler), reread});
}

CommandTable::Handler CommandTable::Get(const std::string& name) const {
  const std::string upper_name = UpperText(name);
  for (const Row& row : rows_) {
    if (row.upper_name == upper_name) return row.handler;
  }
  return {};
}

bool CommandTable::Dispatch(const ReceivedCommand& received) const {
  for (const Row& row : rows_) {
    if (row.upper_name != received.name) continue;
    if (row.handler) row.handler(received.args);
    return true;
  }
  return false;
}

}  // namespace kovra
