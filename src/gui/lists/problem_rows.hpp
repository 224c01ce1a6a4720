#pragma once

#include <QColor>
#include <QPalette>
#include <cstddef>
#include <utility>
#include <vector>

#include "engine/plan.hpp"

namespace torvane::gui {

// The background of a row with a problem: the palette's base colour a fifth
// of the way to red, so it stands out on a light and on a dark palette while
// the text keeps its own colour and contrast.
QColor ProblemTint(const QPalette& palette);

// The row F8 (forward) or Shift+F8 moves to from `from` (-1: none selected)
// among `problems`, the problem rows by position in ascending order: the
// next one after `from` (the previous one before it), wrapping round the
// ends. -1 when there are none.
int NextProblemRow(const std::vector<std::pair<std::size_t, Finding>>& problems, int from,
                   bool forward);

// The same for a view whose problem rows are its first `problemRows` rows.
int NextProblemRow(int problemRows, int from, bool forward);

}  // namespace torvane::gui
