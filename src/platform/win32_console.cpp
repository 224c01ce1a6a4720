#include "platform/win32_api.hpp"
//
#include "platform/win32_console.hpp"

namespace torvane {

void UseUtf8Console() {
    SetConsoleOutputCP(CP_UTF8);
    SetConsoleCP(CP_UTF8);
}

}  // namespace torvane
