// torvane-cli: the whole batch from a terminal or a script.
#include <string>
#include <vector>

#include "app/history_access.hpp"
#include "cli/run_console.hpp"
#include "platform/process_memory.hpp"
#include "platform/text.hpp"

namespace {

// The executable's file name without its extension.
std::wstring AppNameOf(const char* argv0) {
    std::wstring name = argv0 ? torvane::FromUtf8(argv0) : L"";
    if (const auto slash = name.rfind(L'/'); slash != std::wstring::npos)
        name.erase(0, slash + 1);
    if (const auto dot = name.rfind(L'.'); dot != std::wstring::npos && dot > 0)
        name.erase(dot);
    return name.empty() ? L"torvane-cli" : name;
}

}  // namespace

int main(int argc, char** argv) {
    torvane::ReturnLargeBlocksWhenFreed();
    std::vector<std::wstring> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(torvane::FromUtf8(argv[i]));
    return torvane::RunConsole(arguments, AppNameOf(argc > 0 ? argv[0] : nullptr),
                               torvane::ConsoleIo::Standard(), torvane::OpenUserHistory);
}
