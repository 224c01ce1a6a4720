#pragma once

#include <locale>

namespace torvane {

// The locale whose ctype<wchar_t> facet the regular expressions use for
// letter case (\U, \L, case-insensitive matching) and character classes:
// every Unicode letter of the Basic Multilingual Plane folds and classifies,
// whatever the process locale. On Linux it is C.UTF-8 (the classic locale
// where that is missing); on Windows, where the C runtime maps case in ASCII
// only, a facet over the system's own case mapping (LCMapStringEx, invariant
// locale). Built once, never changed; safe to call from several threads.
const std::locale& CaseMappingLocale();

}  // namespace torvane
