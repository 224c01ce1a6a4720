// The hint a plan carries for a plain attribute pattern that looks like a
// wildcard pattern and names no entry.
#include "engine/pattern_hints.hpp"

#include <gtest/gtest.h>

#include "engine_fixture.hpp"

namespace torvane {
namespace {

using testing::Attribute;
using testing::File;
using testing::Rename;
using testing::Tasks;

JobPlan PlanOf(const std::vector<std::wstring>& current, const std::vector<std::wstring>& updated) {
    PlannedFolder folder;
    for (const auto& name : current)
        folder.current.push_back(File(name, 0));
    for (const auto& name : updated)
        folder.updated.push_back(File(name, 0));
    JobPlan plan;
    plan.folders.push_back(std::move(folder));
    return plan;
}

std::wstring Wildcard(std::wstring find) {
    AttributeTaskFields f;
    f.find = std::move(find);
    f.attributes = L"1";
    f.wildcard = L"TRUE";
    return BuildTaskDefinition(f);
}

TEST(PatternHintsTest, APlainPatternWithWildcardsThatNamesNoEntryGetsAHint) {
    const std::vector<std::wstring> names = {L"notes.txt", L"IMG_01.jpg"};
    const struct {
        const char* what;
        std::wstring task;
        std::vector<std::wstring> current;
        std::vector<std::wstring> updated;
        bool hint;
    } cases[] = {
        {"a star that names nothing", Attribute(L"*.txt", L"1"), names, names, true},
        {"a question mark", Attribute(L"IMG_??.jpg", L"1"), names, names, true},
        {"an entry so named", Attribute(L"*.txt", L"1"), {L"*.TXT"}, {L"*.TXT"}, true},
        {"an entry named so after a rename", Attribute(L"a*", L"1"), {L"b"}, {L"a*"}, false},
        {"no wildcard character", Attribute(L"gone.txt", L"1"), names, names, false},
        {"a wildcard pattern", Wildcard(L"*.txt"), names, names, false},
        {"a regular expression", Attribute(L".*", L"1", true), names, names, false},
        {"no attribute task", Rename(L"*", L"x", false), names, names, false},
    };
    EngineSettings caseKept;
    caseKept.caseSensitive = true;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto hints = PatternHints(PlanOf(c.current, c.updated), Tasks({c.task}), caseKept);
        ASSERT_EQ(hints.size(), c.hint ? 1u : 0u);
        if (c.hint) {
            EXPECT_EQ(hints[0].caption, L"Hint");
            EXPECT_EQ(hints[0].icon, MessageIcon::kInformation);
        }
    }
    // The name is matched as the task matches it: here, letter case ignored.
    EngineSettings caseIgnored;
    EXPECT_TRUE(PatternHints(PlanOf({L"*.TXT"}, {L"*.TXT"}), Tasks({Attribute(L"*.txt", L"1")}),
                             caseIgnored)
                    .empty());
}

TEST(PatternHintsTest, TheHintNamesThePatternAndWhatToDo) {
    const auto hints =
        PatternHints(PlanOf({L"a"}, {L"a"}), Tasks({Attribute(L"*.txt", L"1")}), EngineSettings{});
    ASSERT_EQ(hints.size(), 1u);
    EXPECT_EQ(hints[0].text.Plain(),
              L"No name is \"*.txt\": an attribute task's pattern is a whole name, letter for "
              L"letter. For * and ? as wildcards, make it a wildcard pattern (torvane-cli: "
              L"-Wildcard after the task; the attribute page: Wildcard).");
}

}  // namespace
}  // namespace torvane
