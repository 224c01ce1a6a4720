#pragma once

#include <vector>

#include "engine/apply_context.hpp"
#include "engine/plan.hpp"
#include "tasks/task_item.hpp"

namespace torvane {

// What a plan tells a user whose pattern did not mean what they typed: for
// each attribute task whose plain pattern (neither a regular expression nor
// a wildcard pattern) holds '*' or '?' and covers none of the plan's names,
// current or new, a hint that a plain pattern is a whole name, letter for
// letter, and how to ask for wildcards. The pattern is an outside piece of
// the message. Empty when there is nothing to hint.
std::vector<PlanMessage> PatternHints(const JobPlan& plan, const TaskList& tasks,
                                      const EngineSettings& settings);

inline constexpr std::wstring_view kHintCaption = L"Hint";

}  // namespace torvane
