#pragma once

namespace torvane::testing {

// Whether the Windows test program runs under Wine, which takes the calls
// as Windows does but does not keep everything Windows keeps (see
// tests/platform/win32_backend.hpp). False on Windows itself and on Linux.
bool UnderWine();

}  // namespace torvane::testing
