// Splits any bytes into arguments at NUL bytes, parses them and validates the
// result against a small file system, checking what validation promises.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/command_line.hpp"
#include "fake_file_system.hpp"
#include "fuzz_support.hpp"
#include "platform/text.hpp"
#include "shortcut_bytes.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace torvane;
    std::vector<std::wstring> arguments;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    for (std::size_t start = 0; start <= bytes.size();) {
        auto end = bytes.find('\0', start);
        if (end == std::string::npos)
            end = bytes.size();
        arguments.push_back(FromUtf8(bytes.substr(start, end - start)));
        start = end + 1;
    }
    CommandLineInfo info;
    info.ParseCommandLine(arguments);
    for (const auto& [name, value] : info.switchValues) {
        if (!info.knownSwitches.count(name))
            fuzz::Fail("unknown switch stored");
    }
    testing::FakeFileSystem fs;
    fs.AddFile(L"/d/a.jpg");
    fs.AddFile(L"/d/t.tvt");
    fs.AddPlainFile(L"/d/s.lnk", testing::ShortcutTo(L"f"));
    fs.AddPlainFile(L"/d/t.lnk", testing::ShortcutTo(L"t.tvt"));
    fs.AddFolder(L"/d/f");
    fuzz::CountingDialogs dialogs;
    CommandLineValues values;
    const int result = ValidateCommandLine(info, fs, dialogs, L"Torvane", values);
    if (result == 0 && dialogs.shown != 0)
        fuzz::Fail("accepted with a message");
    if (dialogs.shown > 1)
        fuzz::Fail("more than one message");
    if (result != 0 && !(values == CommandLineValues{}))
        fuzz::Fail("refused with values");
    if (result == 0 && !values.commandLineFilePath.empty() &&
        !fs.GetAttributes(values.commandLineFilePath).ok())
        fuzz::Fail("accepted a missing file path");
    if (result == 0 && !values.commandLineTaskList.empty() &&
        !fs.GetAttributes(values.commandLineTaskList).ok())
        fuzz::Fail("accepted a missing task list");
    return 0;
}
