#include "gui/lists/problem_rows.hpp"

#include <algorithm>

namespace torvane::gui {
namespace {

constexpr int kTintPercent = 22;
constexpr QColor kTintTarget{220, 40, 40};

int Mix(int from, int to) {
    return from + (to - from) * kTintPercent / 100;
}

}  // namespace

QColor ProblemTint(const QPalette& palette) {
    const QColor base = palette.color(QPalette::Base);
    return QColor(Mix(base.red(), kTintTarget.red()), Mix(base.green(), kTintTarget.green()),
                  Mix(base.blue(), kTintTarget.blue()));
}

int NextProblemRow(const std::vector<std::pair<std::size_t, Finding>>& problems, int from,
                   bool forward) {
    if (problems.empty())
        return -1;
    const auto position = [](const std::pair<std::size_t, Finding>& p) {
        return static_cast<long long>(p.first);
    };
    if (forward) {
        const auto next = std::find_if(problems.begin(), problems.end(),
                                       [&](const auto& p) { return position(p) > from; });
        return static_cast<int>(position(next == problems.end() ? problems.front() : *next));
    }
    const auto before = std::find_if(problems.rbegin(), problems.rend(),
                                     [&](const auto& p) { return from < 0 || position(p) < from; });
    return static_cast<int>(position(before == problems.rend() ? problems.back() : *before));
}

int NextProblemRow(int problemRows, int from, bool forward) {
    if (problemRows <= 0)
        return -1;
    if (forward)
        return from + 1 < problemRows && from >= -1 ? from + 1 : 0;
    return from > 0 && from <= problemRows ? from - 1 : problemRows - 1;
}

}  // namespace torvane::gui
