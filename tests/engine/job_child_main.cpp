// A job in a process of its own, for tests that kill it part-way: renames
// every file of the folder given (prefix "f" to "g"; or, given "cycles" after
// the folder, f<n> rotated within each group of three: f0 -> f1 -> f2 -> f0,
// f3 -> f4 -> f5 -> f3...; given "tree", every entry of the folder and the
// folders below it, folders included, on four threads) and writes one byte to
// standard output per change made to an entry, as the next one starts.
#include <unistd.h>

#include <atomic>
#include <string>

#include "engine/job.hpp"
#include "engine/plan.hpp"
#include "job_support.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"
#include "tasks/task_definition.hpp"

namespace torvane {
namespace {

class NoDialogs : public Dialogs {
  public:
    MessageAnswer ShowMessage(const std::wstring&, const std::wstring&, MessageIcon,
                              MessageButtons) override {
        return MessageAnswer::kOk;
    }
};

class QuietObserver : public JobObserver {
  public:
    void JobStep(int) override {}
    void JobDone(const JobResult&) override {}
};

// Called just before each change: the byte stands for the change before it,
// which is done by then, so N bytes read mean N changes made.
void WriteStepByte(const std::string&) {
    static std::atomic<bool> first{true};
    if (first.exchange(false))
        return;
    const char step = '.';
    if (::write(STDOUT_FILENO, &step, 1) != 1)
        _exit(3);
}

}  // namespace
}  // namespace torvane

// The plan of the rotations: the folder listed, each f<n> given the name of
// the next in its group of three, the last the first's.
torvane::JobPlan Rotations(const torvane::JobSettings& settings, torvane::FileSystem& fs,
                           torvane::Dialogs& dialogs) {
    using namespace torvane;
    JobPlan plan = BuildPlan(settings, fs, dialogs);
    PlannedFolder& f = plan.folders.at(0);
    for (std::size_t i = 0; i < f.current.size(); ++i) {
        const long n = std::stol(f.current[i].name.bytes().substr(1));
        f.updated[i].name = L"f" + std::to_wstring(n % 3 == 2 ? n - 2 : n + 1);
        f.steps[i] = StepsFor(f.current[i], f.updated[i], settings.engine);
    }
    f.findings = CheckFolder(f.current, f.updated, f.steps, {}, f.traits);
    return plan;
}

int main(int argc, char** argv) {
    using namespace torvane;
    if (argc != 2 && argc != 3)
        return 2;
    RenameTaskFields rename;
    rename.find = L"^f";
    rename.replace = L"g";
    rename.regex = L"TRUE";
    JobSettings settings;
    settings.paths = {FromUtf8(argv[1])};
    settings.tasks = {TaskItem{1, L"", BuildTaskDefinition(rename)}};
    PosixFileSystem fs;
    fs.SetBeforeStep(WriteStepByte);
    NoDialogs dialogs;
    QuietObserver observer;
    if (argc == 3 && std::string(argv[2]) == "tree") {
        settings.listOptions.includeSubfolders = true;
        settings.listOptions.retrieve = Retrieve::kFilesAndFolders;
        settings.engine.attributeTarget = AttributeTarget::kBoth;
        settings.engine.folderThreads = 4;
    }
    if (argc == 3 && std::string(argv[2]) == "cycles") {
        settings.tasks.clear();
        const JobPlan plan = Rotations(settings, fs, dialogs);
        if (plan.problems != 0)
            return 4;
        return ApplyPlan(plan, fs, observer, 0, ProblemEntries::kSkip).error ? 1 : 0;
    }
    return RunJob(settings, fs, dialogs, observer, 0).error ? 1 : 0;
}
