#include "wine.hpp"

#ifdef _WIN32
#include "platform/win32_api.hpp"
#endif

namespace torvane::testing {

bool UnderWine() {
#ifdef _WIN32
    // Wine's ntdll exports its version; Windows' does not.
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

}  // namespace torvane::testing
