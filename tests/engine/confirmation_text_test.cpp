// The question asked before a job writes: what it will change, counted from
// the plan.
#include <gtest/gtest.h>

#include "engine/job_pipeline.hpp"

namespace torvane {
namespace {

// A folder whose entries take the steps given; `problem` marks the entry at
// that position with a finding.
PlannedFolder Folder(std::vector<EntrySteps> steps, std::optional<std::size_t> problem = {}) {
    PlannedFolder folder;
    folder.current.resize(steps.size());
    folder.updated.resize(steps.size());
    folder.steps = std::move(steps);
    if (problem)
        folder.findings.push_back({*problem, Finding{FindingKind::kNameTaken, L"taken"}});
    return folder;
}

constexpr EntrySteps kRename{true, false, false};
constexpr EntrySteps kAll{true, true, true};
constexpr EntrySteps kNone{};

constexpr std::wstring_view kJobEnd =
    L"\nYou can undo it afterwards: Edit > Undo Last Job, or torvane-cli -Undo.";

TEST(ConfirmationTextTest, SaysHowManyChangesEntriesAndFolders) {
    const struct {
        const char* what;
        std::vector<PlannedFolder> folders;
        std::wstring question;
    } cases[] = {
        {"one rename", {Folder({kRename, kNone})}, L"Apply 1 change to 1 entry in 1 folder?"},
        {"three steps of one entry", {Folder({kAll})}, L"Apply 3 changes to 1 entry in 1 folder?"},
        {"folders without a change are not counted",
         {Folder({kRename, kRename}), Folder({kNone}), Folder({kAll})},
         L"Apply 5 changes to 3 entries in 2 folders?"},
        {"an entry with a problem apart",
         {Folder({kRename, kRename, kRename}, 1)},
         L"Apply 2 changes to 2 entries in 1 folder?\n1 entry with a problem not counted here."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        JobPlan plan;
        plan.folders = c.folders;
        EXPECT_EQ(ConfirmationText(plan, nullptr), c.question + std::wstring(kJobEnd));
    }
}

TEST(ConfirmationTextTest, AnUndoNamesItsJob) {
    JobPlan plan;
    plan.folders = {Folder({kAll, kRename}), Folder({kRename})};
    JobRecord job;
    job.id = 12;
    EXPECT_EQ(ConfirmationText(plan, &job),
              L"Undo job 12: apply 5 changes to 3 entries in 2 folders?\nIts entries get their "
              L"old names, times and attributes back.");
}

}  // namespace
}  // namespace torvane
