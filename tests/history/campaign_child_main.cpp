// The kill campaign's job, in a process of its own so that a test can kill
// it at any moment: `campaign_child STATE ROOT VARIANT` plans the campaign
// job (kill_campaign.hpp) over ROOT, journals it in the history at STATE and
// applies it, writing one byte to standard output per change as the next one
// starts. Exit status 0 once the job ended, 2 for bad arguments, 4 for a plan
// with problems, 5 without a history.
#include <unistd.h>

#include <ctime>
#include <string>

#include "engine/job_pipeline.hpp"
#include "engine/plan_journal.hpp"
#include "history/sqlite_history.hpp"
#include "kill_campaign.hpp"

namespace torvane {
namespace {

class QuietObserver : public JobObserver {
  public:
    void JobStep(int) override {}
    void JobDone(const JobResult&) override {}
};

// The byte stands for the change before the one about to start.
void WriteStepByte(const std::string&) {
    static bool first = true;
    if (first) {
        first = false;
        return;
    }
    const char step = '.';
    if (::write(STDOUT_FILENO, &step, 1) != 1)
        _exit(3);
}

}  // namespace
}  // namespace torvane

int main(int argc, char** argv) {
    using namespace torvane;
    if (argc != 4)
        return 2;
    const auto variant = testing::CampaignVariant::Of(argv[3]);
    auto opened = OpenSqliteHistory(FromUtf8(argv[1]), HistorySettings{});
    if (!opened)
        return 5;
    auto history = std::move(*opened);
    JobSettings settings;
    settings.paths = {FromUtf8(argv[2]) + L"/"};
    settings.listOptions.includeSubfolders = variant.subfolders;
    settings.listOptions.retrieve = variant.folders ? Retrieve::kFilesAndFolders : Retrieve::kFiles;
    settings.engine.attributeTarget = AttributeTarget::kBoth;
    PosixFileSystem fs;
    JobPipeline pipeline({fs, [] { return std::int64_t{1700000000}; }, L"campaign"});
    JobPlan plan = pipeline.Plan(settings);
    testing::ShapeCampaignPlan(plan, variant, settings.engine);
    if (plan.problems != 0)
        return 4;
    auto begun = BeginJobHistory(
        history.get(), JobRecordFor(settings, plan, std::time(nullptr), L"campaign"), plan);
    if (!begun.journal)
        return 5;
    fs.SetBeforeStep(WriteStepByte);
    QuietObserver observer;
    ApplyPlan(plan, fs, observer, 0, ProblemEntries::kSkip, begun.journal.get());
    return 0;
}
