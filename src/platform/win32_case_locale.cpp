// Letter case and character classes on Windows, where the C runtime's wide
// ctype functions map case in ASCII only: a ctype<wchar_t> facet over
// LCMapStringEx and GetStringTypeW, one UTF-16 unit at a time. A unit of a
// surrogate pair is left as it is and classifies as nothing.
#include "platform/win32_api.hpp"
//
#include "platform/case_locale.hpp"

namespace torvane {
namespace {

bool IsSurrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

// `c` mapped by LCMapStringEx with `flags` in the invariant locale; `c`
// itself when it has no one-unit mapping.
wchar_t MapCase(wchar_t c, DWORD flags) {
    if (c < 0x80 || IsSurrogate(c)) {
        if (flags & LCMAP_UPPERCASE)
            return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - 32) : c;
        return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c;
    }
    wchar_t out = c;
    const int n = LCMapStringEx(LOCALE_NAME_INVARIANT, flags, &c, 1, &out, 1, nullptr, nullptr, 0);
    return n == 1 ? out : c;
}

class SystemCaseCtype : public std::ctype<wchar_t> {
  protected:
    char_type do_toupper(char_type c) const override { return MapCase(c, LCMAP_UPPERCASE); }
    const char_type* do_toupper(char_type* low, const char_type* high) const override {
        for (; low < high; ++low)
            *low = MapCase(*low, LCMAP_UPPERCASE);
        return high;
    }
    char_type do_tolower(char_type c) const override { return MapCase(c, LCMAP_LOWERCASE); }
    const char_type* do_tolower(char_type* low, const char_type* high) const override {
        for (; low < high; ++low)
            *low = MapCase(*low, LCMAP_LOWERCASE);
        return high;
    }
    bool do_is(mask m, char_type c) const override { return (Classes(c) & m) != 0; }
    const char_type* do_is(const char_type* low, const char_type* high,
                           mask* classes) const override {
        for (; low < high; ++low, ++classes)
            *classes = Classes(*low);
        return high;
    }
    const char_type* do_scan_is(mask m, const char_type* low,
                                const char_type* high) const override {
        while (low < high && !do_is(m, *low))
            ++low;
        return low;
    }
    const char_type* do_scan_not(mask m, const char_type* low,
                                 const char_type* high) const override {
        while (low < high && do_is(m, *low))
            ++low;
        return low;
    }

  private:
    // The ctype classes of one unit, from the system's CT_CTYPE1 word.
    static mask Classes(wchar_t c) {
        WORD type = 0;
        if (IsSurrogate(c) || !GetStringTypeW(CT_CTYPE1, &c, 1, &type))
            return 0;
        mask m = 0;
        const std::pair<WORD, mask> table[] = {
            {C1_UPPER, upper}, {C1_LOWER, lower},   {C1_ALPHA, alpha},
            {C1_DIGIT, digit}, {C1_XDIGIT, xdigit}, {C1_SPACE, space},
            {C1_CNTRL, cntrl}, {C1_PUNCT, punct},   {C1_BLANK, blank},
        };
        for (const auto& [bit, cls] : table) {
            if (type & bit)
                m |= cls;
        }
        if (type != 0 && !(type & C1_CNTRL))
            m |= print;
        return m;
    }
};

}  // namespace

const std::locale& CaseMappingLocale() {
    static const std::locale locale(std::locale::classic(), new SystemCaseCtype);
    return locale;
}

}  // namespace torvane
