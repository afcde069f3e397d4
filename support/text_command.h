// The arguments of a command that carries one text as it arrives (a name, a
// file name, a message): the argument type of such a command's table row.
#pragma once

#include <string>

namespace kovra {

template <const std::string& kName>
struct TextCommand {
  std::string text;
  static const std::string& Name() { return kName; }
  std::string Build() const { return text; }
  static TextCommand Parse(const std::string& args) { return {args}; }
};

}  // namespace kovra
