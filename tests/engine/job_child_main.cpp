// A job in a process of its own, for tests that kill it part-way: renames
// every file of the folder given (prefix "f" to "g") and writes one byte to
// standard output per change made to an entry, as the next one starts.
#include <unistd.h>

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

// Called just before each change: the byte stands for the change before it,
// which is done by then, so N bytes read mean N changes made.
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
    if (argc != 2)
        return 2;
    RenameTaskFields rename;
    rename.find = L"^f";
    rename.replace = L"g";
    rename.regex = L"TRUE";
    JobSettings settings;
    settings.root = FromUtf8(argv[1]);
    settings.tasks = {TaskItem{1, L"", BuildTaskDefinition(rename)}};
    PosixFileSystem fs;
    fs.SetBeforeStep(WriteStepByte);
    NoDialogs dialogs;
    QuietObserver observer;
    return RunJob(settings, fs, dialogs, observer, 0).error ? 1 : 0;
}
