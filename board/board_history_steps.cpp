// The steps of the history as commands to draw them again: a copy whose
// board was not the session's draws its own steps again after a split, and
// the session's owner every step a late wipe took from it.
#include <algorithm>
#include <unordered_map>

#include "board/board_history.h"

namespace kovra {

BoardHistory::OwnSteps BoardHistory::OwnStepsBetween(qint64 from, qint64 to) const {
  OwnSteps own;
  auto before = [from](qint64 at) { return at == kLongAgo || at < from; };
  own.whole = before(forgotten_own_mark_) && before(replaced_at_);
  own.steps = CommandsOf([from, to](const Step& step) {
    return step.owner == kOwn && step.last >= from && step.mark < to;
  });
  return own;
}

BoardHistory::OwnSteps BoardHistory::StepsDrawnSince(qint64 from) const {
  OwnSteps all;
  all.whole = replaced_at_ == kLongAgo || replaced_at_ < from;
  all.steps = CommandsOf([from](const Step& step) { return step.last >= from; });
  return all;
}

std::vector<std::vector<drawing::Command>> BoardHistory::CommandsOf(
    const std::function<bool(const Step&)>& wanted) const {
  std::vector<std::vector<drawing::Command>> steps;
  std::unordered_map<const Step*, std::size_t> slot;
  for (const Step& step : steps_) {
    if (step.undone || !step.drew || !wanted(step)) continue;
    slot.emplace(&step, steps.size());
    steps.emplace_back();
  }
  // One pass over the entries, however many steps there are.
  for (const Entry& entry : entries_) {
    const auto* drawn = std::get_if<Drawn>(&entry.what);
    const auto found = drawn != nullptr ? slot.find(entry.step) : slot.end();
    if (found == slot.end()) continue;
    std::vector<drawing::Command>& commands = steps[found->second];
    // Each command with what it took from the state it was drawn in.
    if (const auto* line = std::get_if<drawing::LineTo>(&drawn->command)) {
      commands.push_back(drawing::LineFromTo{{drawn->before.pen_pos.x(), drawn->before.pen_pos.y(),
                                              line->x, line->y, line->width, line->pen, {}}});
      continue;
    }
    if (std::holds_alternative<drawing::TextOut>(drawn->command)) {
      commands.push_back(
          drawing::SetFont::From(FontChoice{drawn->before.font, drawn->before.font_color}));
    }
    commands.push_back(drawn->command);
  }
  steps.erase(std::remove_if(steps.begin(), steps.end(), [](const auto& c) { return c.empty(); }),
              steps.end());
  return steps;
}

}  // namespace kovra
