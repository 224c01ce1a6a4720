// A job in a process of its own, for tests that kill it part-way: writes one
// byte to standard output just before each change it makes to an entry.
//   job_child FOLDER          renames every file of FOLDER, prefix "f" to "g"
//   job_child FOLDER cycles   renames "sK-0" and "sK-1" to each other's names
//                             and "rK-0" to "rK-1", "rK-1" to "rK-2", "rK-2"
//                             to "rK-0": a folder of swaps and rotations only
#include <unistd.h>

#include <string_view>

#include "engine/job.hpp"
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

void WriteStepByte(const std::string&) {
    const char step = '.';
    if (::write(STDOUT_FILENO, &step, 1) != 1)
        _exit(3);
}

TaskItem Rename(std::wstring find, std::wstring replace) {
    RenameTaskFields rename;
    rename.find = std::move(find);
    rename.replace = std::move(replace);
    rename.regex = L"TRUE";
    return TaskItem{1, L"", BuildTaskDefinition(rename)};
}

// Each name's last digit first becomes its new one behind a marker ("-y"),
// so that no later task takes it again, then the marker goes.
TaskList Cycles() {
    return {Rename(L"^(s\\d+)-0$", L"$1-y1"), Rename(L"^(s\\d+)-1$", L"$1-y0"),
            Rename(L"^(r\\d+)-0$", L"$1-y1"), Rename(L"^(r\\d+)-1$", L"$1-y2"),
            Rename(L"^(r\\d+)-2$", L"$1-y0"), Rename(L"-y(\\d)$", L"-$1")};
}

}  // namespace
}  // namespace torvane

int main(int argc, char** argv) {
    using namespace torvane;
    const bool cycles = argc == 3 && std::string_view(argv[2]) == "cycles";
    if (argc != 2 && !cycles)
        return 2;
    JobSettings settings;
    settings.root = FromUtf8(argv[1]);
    settings.tasks = cycles ? Cycles() : TaskList{Rename(L"^f", L"g")};
    PosixFileSystem fs;
    fs.SetBeforeStep(WriteStepByte);
    NoDialogs dialogs;
    QuietObserver observer;
    return RunJob(settings, fs, dialogs, observer, 0).error ? 1 : 0;
}
