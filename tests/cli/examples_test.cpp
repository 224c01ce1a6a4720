// The bundled example task lists: byte for byte what the program's own
// writer makes of their tasks, and accepted by the engine.
#include <gtest/gtest.h>

#include "engine/apply_task.hpp"
#include "filelist/file_entry.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"
#include "recording_dialogs.hpp"
#include "tasks/task_definition.hpp"
#include "tasks/task_list_file.hpp"
#include "temp_dir.hpp"

namespace torvane {
namespace {

using testing::ReadBytes;
using testing::RecordingDialogs;
using testing::TempDir;

std::wstring Example(const std::string& name) {
    return FromUtf8(std::string(TORVANE_EXAMPLES_DIR) + "/" + name);
}

TaskFields RenameExample() {
    RenameTaskFields f;
    f.find = L"^IMG_\\d+";
    f.replace = L"Holiday-##";
    f.numbering = L"TRUE";
    f.startNumber = L"1";
    f.regex = L"TRUE";
    return f;
}

TaskFields TimestampExample() {
    TimestampTaskFields f;
    f.timeKind = L"Modified";
    f.find = L"^(\\d\\d)/(\\d\\d)/\\d{4}";
    f.replace = L"$1/$2/2020";
    f.regex = L"TRUE";
    return f;
}

TaskFields AttributeExample() {
    AttributeTaskFields f;
    f.find = L".*\\.txt";
    f.attributes = L"33";  // Archive and Read-only
    f.regex = L"TRUE";
    return f;
}

TEST(ExamplesTest, EachTaskListIsWhatTheWriterWritesAndTheEngineAccepts) {
    const struct {
        std::string file;
        std::wstring name;
        TaskFields fields;
    } cases[] = {
        {"rename.tvt", L"Number the photos", RenameExample()},
        {"timestamp.tvt", L"Move the modified date to 2020", TimestampExample()},
        {"attributes.tvt", L"Make the text files read-only", AttributeExample()},
    };
    TempDir dir;
    RecordingDialogs dialogs;
    PosixFileSystem posix;
    for (const auto& c : cases) {
        const TaskList list = {TaskItem{1, c.name, BuildTaskDefinition(c.fields)}};
        const std::string written = dir.Join(c.file);
        ASSERT_TRUE(WriteTaskListFile(posix, FromUtf8(written), list, dialogs, L"test"));
        EXPECT_EQ(ReadBytes(ToUtf8(Example(c.file))), ReadBytes(written)) << c.file;

        TaskListFileReader reader(posix, dialogs, L"test");
        ASSERT_EQ(reader.Open(Example(c.file)), TaskListFileReader::OpenResult::kOpened);
        TaskLine line;
        ASSERT_EQ(reader.ReadTask(line), TaskListFileReader::Next::kTask);
        EXPECT_EQ(line, (TaskLine{c.name, list[0].definition}));
        EXPECT_EQ(reader.ReadTask(line), TaskListFileReader::Next::kEnd);

        FileEntries entries = {PlaceholderEntry()};
        EXPECT_EQ(ApplyTask(line.definition, entries, {{}, dialogs, ApplyMode::JobMode, {}}),
                  TaskResult::Ok)
            << c.file;
    }
    EXPECT_TRUE(dialogs.messages().empty());
}

}  // namespace
}  // namespace torvane
