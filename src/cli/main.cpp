// torvane-cli: the whole batch from a terminal or a script.
#include <string>
#include <vector>

#include "app/history_access.hpp"
#include "cli/run_console.hpp"
#include "platform/process_memory.hpp"
#include "platform/text.hpp"
#ifdef _WIN32
#include "platform/win32_console.hpp"
#endif

namespace {

// The executable's file name without its folder and extension.
std::wstring AppNameOf(std::wstring name) {
    if (const auto slash = name.find_last_of(L"/\\"); slash != std::wstring::npos)
        name.erase(0, slash + 1);
    if (const auto dot = name.rfind(L'.'); dot != std::wstring::npos && dot > 0)
        name.erase(dot);
    return name.empty() ? L"torvane-cli" : name;
}

int Run(std::vector<std::wstring> arguments, std::wstring program) {
    torvane::ReturnLargeBlocksWhenFreed();
    return torvane::RunConsole(arguments, AppNameOf(std::move(program)),
                               torvane::ConsoleIo::Standard(), torvane::OpenUserHistory);
}

}  // namespace

#ifdef _WIN32
// Windows passes the arguments as UTF-16, which the wide strings hold as
// they are; the console is switched to UTF-8 for the bytes the program writes.
int wmain(int argc, wchar_t** argv) {
    torvane::UseUtf8Console();
    std::vector<std::wstring> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    return Run(std::move(arguments), argc > 0 && argv[0] ? argv[0] : L"");
}
#else
int main(int argc, char** argv) {
    std::vector<std::wstring> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(torvane::FromUtf8(argv[i]));
    return Run(std::move(arguments), argc > 0 && argv[0] ? torvane::FromUtf8(argv[0]) : L"");
}
#endif
