// Reads any bytes as a task-list file, with a small line limit and with the
// real one, and checks that what it yields is well formed and that the tasks
// whose definitions end with "<>" survive a write and a second read.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fake_file_system.hpp"
#include "fuzz_support.hpp"
#include "tasks/task_definition.hpp"
#include "tasks/task_list_file.hpp"

namespace torvane::fuzz {
namespace {

std::vector<TaskLine> ReadTasks(testing::FakeFileSystem& fs, const std::wstring& path,
                                std::size_t limit) {
    CountingDialogs dialogs;
    TaskListFileReader reader(fs, dialogs, L"torvane", limit);
    if (reader.Open(path) != TaskListFileReader::OpenResult::kOpened)
        Fail("open failed");
    std::vector<TaskLine> tasks;
    TaskLine task;
    TaskListFileReader::Next next;
    while ((next = reader.ReadTask(task)) == TaskListFileReader::Next::kTask) {
        if (!KindOfKeyword(GetTaskKeyword(task.definition)))
            Fail("task of no known kind");
        if (task.name.find(kFieldSeparator) != std::wstring::npos)
            Fail("name holds <>");
        tasks.push_back(task);
    }
    const bool error = next == TaskListFileReader::Next::kError;
    if (error != (dialogs.shown == 1) || dialogs.shown > 1)
        Fail("messages and outcome differ");
    return tasks;
}

void CheckRoundTrip(testing::FakeFileSystem& fs, const std::vector<TaskLine>& tasks) {
    TaskList list;
    for (const auto& t : tasks) {
        const auto& d = t.definition;
        if (d.size() >= 2 && d.compare(d.size() - 2, 2, kFieldSeparator) == 0)
            list.push_back({0, t.name, t.definition});
    }
    const std::wstring path = L"/lists/written.tvt";
    CountingDialogs dialogs;
    if (!WriteTaskListFile(fs, path, list, dialogs, L"torvane"))
        Fail("write failed");
    const auto back = ReadTasks(fs, path, kMaxTaskLineLength);
    if (back.size() != list.size())
        Fail("round trip changed the count");
    for (std::size_t i = 0; i < back.size(); ++i) {
        if (back[i].name != list[i].name || back[i].definition != list[i].definition)
            Fail("round trip changed a task");
    }
}

}  // namespace
}  // namespace torvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace torvane;
    const std::wstring path = L"/lists/input.tvt";
    testing::FakeFileSystem fs;
    fs.AddPlainFile(path, std::string(reinterpret_cast<const char*>(data), size));
    fuzz::ReadTasks(fs, path, 16);
    fuzz::CheckRoundTrip(fs, fuzz::ReadTasks(fs, path, kMaxTaskLineLength));
    return 0;
}
