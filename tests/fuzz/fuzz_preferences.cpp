// Reads any bytes as the preference file, then writes what was read and reads
// it again: the values must come back unchanged.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/preferences.hpp"
#include "fake_file_system.hpp"
#include "fuzz_support.hpp"

namespace torvane::fuzz {
namespace {

Preferences Load(testing::FakeFileSystem& fs) {
    CountingDialogs dialogs;
    Preferences prefs;
    LoadPreferences(fs, dialogs, prefs);
    if (dialogs.shown != 0)
        Fail("reading a readable file showed a message");
    return prefs;
}

}  // namespace
}  // namespace torvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace torvane;
    testing::FakeFileSystem fs;
    fs.AddPlainFile(L"/app/config.ini", std::string(reinterpret_cast<const char*>(data), size));
    fs.SetProgramPath(L"/app/torvane");
    const Preferences read = fuzz::Load(fs);
    fuzz::CountingDialogs dialogs;
    if (!SavePreferences(fs, dialogs, read, read.selectedFilePathSubDir))
        fuzz::Fail("save failed");
    if (!(fuzz::Load(fs) == read))
        fuzz::Fail("values changed through a write and a read");
    return 0;
}
