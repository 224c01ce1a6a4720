// The time budget of a task's regular expression, measured by a fake clock
// that moves on by a fixed step every time it is read: no test waits.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "engine/messages.hpp"
#include "engine_fixture.hpp"
#include "time_zone.hpp"

namespace torvane {
namespace {

using namespace std::chrono_literals;
using testing::Attribute;
using testing::ErrorBox;
using testing::File;
using testing::Rename;
using testing::Tasks;
using testing::Timestamp;
using Message = testing::RecordingDialogs::Message;

// A clock that reads `step` later every time it is read.
class SteppingClock {
  public:
    explicit SteppingClock(std::chrono::seconds step) : step_(step) {}
    SteadyClock Function() {
        return [this] {
            ++reads;
            const auto now = now_;
            now_ += step_;
            return now;
        };
    }
    int reads = 0;

  private:
    std::chrono::steady_clock::time_point now_ = std::chrono::steady_clock::time_point{} + 1000s;
    std::chrono::seconds step_;
};

FileEntries Files(int count) {
    FileEntries entries;
    for (int i = 0; i < count; ++i)
        entries.push_back(File(L"IMG_" + std::to_wstring(i) + L".jpg"));
    return entries;
}

const std::wstring kPattern = L"IMG_(\\d+)";

class TaskBudgetTest : public testing::EngineTest {
  protected:
    NewEntries Compute(const FileEntries& entries, const std::vector<std::wstring>& definitions,
                       SteppingClock& clock, ApplyMode mode) {
        settings.timeBudget = 5s;
        settings.clock = clock.Function();
        const ApplyContext context{settings, dialogs, mode, {}};
        return ComputeNewEntries(entries, Tasks(definitions), context);
    }

    testing::ScopedTimeZone zone{"UTC0"};
};

// The budget is 5 seconds from the start of each task's application; the
// clock is read at that start and once after each name.
TEST_F(TaskBudgetTest, AnExpressionPastItsBudgetFailsLikeAnInvalidOneAndChangesNothing) {
    // The budget given up at the `names`th name, IMG_(names - 1).jpg, or at
    // the time's text `text`.
    const auto tooSlow = [](std::size_t names, std::wstring text = {}) {
        if (text.empty())
            text = L"IMG_" + std::to_wstring(names - 1) + L".jpg";
        return std::vector<Message>{
            ErrorBox(ExpressionTooSlowMessage(kPattern, 5, names, text).Plain())};
    };
    const struct {
        const char* what;
        std::vector<std::wstring> tasks;
        int names;
        std::chrono::seconds step;
        TaskResult result;
        std::vector<Message> messages;
    } cases[] = {
        {"a rename past the budget at its third name",
         {Rename(kPattern, L"Trip $1", true)},
         10,
         2s,
         TaskResult::InvalidExpression,
         tooSlow(3)},
        {"a numbered rename",
         {Rename(kPattern, L"#", true, true, L"1")},
         10,
         2s,
         TaskResult::InvalidExpression,
         tooSlow(3)},
        {"a timestamp task",
         {Timestamp(L"Modified", kPattern, L"x", true)},
         10,
         2s,
         TaskResult::InvalidExpression,
         tooSlow(3, L"01/01/1970 12:00:00 AM")},
        {"an attribute task",
         {Attribute(kPattern, L"2", true)},
         10,
         2s,
         TaskResult::InvalidExpression,
         tooSlow(3)},
        {"the last name takes it past",
         {Rename(kPattern, L"x", true)},
         3,
         2s,
         TaskResult::InvalidExpression,
         tooSlow(3)},
        {"one name that takes longer than the whole budget",
         {Rename(kPattern, L"x", true)},
         1,
         6s,
         TaskResult::InvalidExpression,
         tooSlow(1)},
        {"the task after the slow one is not applied",
         {Rename(kPattern, L"x", true), Rename(L"[", L"never shown", true)},
         10,
         2s,
         TaskResult::InvalidExpression,
         tooSlow(3)},
        {"exactly the budget is within it",
         {Rename(kPattern, L"Trip $1", true)},
         5,
         1s,
         TaskResult::Ok,
         {}},
        {"each task has a budget of its own",
         {Rename(kPattern, L"Trip $1", true), Rename(L"Trip", L"Day", true)},
         2,
         2s,
         TaskResult::Ok,
         {}},
        {"a literal find has no budget", {Rename(L"IMG_", L"Trip ")}, 10, 100s, TaskResult::Ok, {}},
    };
    for (const ApplyMode mode : {ApplyMode::PreviewMode, ApplyMode::JobMode}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.what) +
                         (mode == ApplyMode::PreviewMode ? " (preview)" : " (job)"));
            dialogs.Clear();
            SteppingClock clock(c.step);
            const FileEntries entries = Files(c.names);
            const auto out = Compute(entries, c.tasks, clock, mode);
            EXPECT_EQ(out.result, c.result);
            EXPECT_EQ(dialogs.messages(), c.messages);
            if (c.result != TaskResult::Ok)
                EXPECT_EQ(out.entries, entries);
            else
                EXPECT_NE(out.entries, entries);
        }
    }
}

TEST_F(TaskBudgetTest, TheClockIsReadAtTheStartAndAfterEachNameAndNeverForALiteralFind) {
    SteppingClock expression(0s);
    Compute(Files(3), {Rename(kPattern, L"x", true)}, expression, ApplyMode::JobMode);
    EXPECT_EQ(expression.reads, 4);
    SteppingClock literal(0s);
    Compute(Files(3), {Rename(L"IMG_", L"Trip ")}, literal, ApplyMode::JobMode);
    EXPECT_EQ(literal.reads, 0);
}

TEST_F(TaskBudgetTest, TheMessageNamesThePatternTheBudgetAndTheNames) {
    EXPECT_EQ(ExpressionTooSlowMessage(L"(a|aa)*c", 5, 30, L"aaa.txt").Plain(),
              L"The regular expression \"(a|aa)*c\" took too long to apply (more than 5 seconds "
              L"for 30 names; the last was \"aaa.txt\"). Nothing was changed by it.");
    EXPECT_EQ(ExpressionTooSlowMessage(L"x", 1, 1, L"x").Plain(),
              L"The regular expression \"x\" took too long to apply (more than 1 second for 1 "
              L"name; the last was \"x\"). Nothing was changed by it.");
}

// Settings with a job's budget share it among every computation made with
// them: once one has spent it, the next gives up at its first name without
// a second message. Without one, each computation has its own.
TEST_F(TaskBudgetTest, AJobsComputationsShareOneBudgetAndSayItOnce) {
    for (const bool shared : {true, false}) {
        SCOPED_TRACE(shared ? "job budget" : "own budgets");
        dialogs.Clear();
        SteppingClock clock(2s);
        settings = shared ? WithJobBudget(EngineSettings{}) : EngineSettings{};
        settings.timeBudget = 5s;
        settings.clock = clock.Function();
        const ApplyContext context{settings, dialogs, ApplyMode::JobMode, {}};
        const auto tasks = Tasks({Rename(kPattern, L"x", true)});
        const auto first = ComputeNewEntries(Files(10), tasks, context);
        const auto second = ComputeNewEntries(Files(2), tasks, context);
        EXPECT_EQ(first.result, TaskResult::InvalidExpression);
        EXPECT_EQ(second.result, shared ? TaskResult::InvalidExpression : TaskResult::Ok);
        EXPECT_EQ(dialogs.messages().size(), 1u);
    }
}

// The matcher giving up on a name is no invalid expression: the message
// names the name, and the job's budget is spent with it.
TEST_F(TaskBudgetTest, AnExpressionTheMatcherGivesUpOnNamesTheName) {
    settings = WithJobBudget(EngineSettings{});
    const ApplyContext context{settings, dialogs, ApplyMode::JobMode, {}};
    const std::wstring pattern = L"(a|aa)*(a|aa)*(a|aa)*c";
    const FileEntries entries = {File(std::wstring(40, L'a')), File(std::wstring(41, L'a'))};
    for (int run = 0; run < 2; ++run) {
        const auto out = ComputeNewEntries(entries, Tasks({Rename(pattern, L"x", true)}), context);
        EXPECT_EQ(out.result, TaskResult::InvalidExpression);
    }
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].text,
              ExpressionBacktracksMessage(pattern, std::wstring(40, L'a')).Plain());
}

// With the settings' own budget and the steady clock, ordinary expressions
// finish inside the budget: a budget or clock read in the wrong unit fails
// them. (The work is some milliseconds, a thousandth of the budget.)
TEST_F(TaskBudgetTest, OrdinaryExpressionsStayWithinTheDefaultBudget) {
    const FileEntries entries = Files(2000);
    const EngineSettings defaults;
    EXPECT_EQ(defaults.timeBudget, kTaskTimeBudget);
    EXPECT_FALSE(defaults.clock);
    const ApplyContext context{defaults, dialogs, ApplyMode::PreviewMode, {}};
    const auto out =
        ComputeNewEntries(entries,
                          Tasks({Rename(L"^IMG_(\\d+)\\.(jpe?g|png)$", L"Trip $1.$2", true),
                                 Attribute(L".*\\.jpg", L"2", true),
                                 Timestamp(L"Modified", L"19(\\d\\d)", L"20$1", true)}),
                          context);
    EXPECT_EQ(out.result, TaskResult::Ok);
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_EQ(out.entries[1999].name, L"Trip 1999.jpg");
}

}  // namespace
}  // namespace torvane
