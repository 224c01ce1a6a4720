#include "filelist/logical_compare.hpp"

#include "platform/text.hpp"

namespace torvane {
namespace {

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// A run of digits: how many leading zeros it has and the digits after them.
struct DigitRun {
    std::size_t length = 0;
    std::size_t zeros = 0;
    std::wstring_view significant;
};

DigitRun ReadRun(std::wstring_view s, std::size_t from) {
    DigitRun run;
    while (from + run.length < s.size() && IsDigit(s[from + run.length]))
        ++run.length;
    while (run.zeros + 1 < run.length && s[from + run.zeros] == L'0')
        ++run.zeros;
    run.significant = s.substr(from + run.zeros, run.length - run.zeros);
    return run;
}

// Compares two runs of significant digits as numbers of any size.
int CompareNumbers(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool InRange(wchar_t c, wchar_t low, wchar_t high) {
    return c >= low && c <= high;
}

// Latin Extended-A pairs an upper case letter with the lower case one after it,
// at even code points in some stretches and at odd ones in others.
wchar_t FoldLatinExtendedA(wchar_t c) {
    if (c == 0x130)
        return L'i';
    if (c == 0x178)
        return 0xFF;
    const bool evenPairs =
        InRange(c, 0x100, 0x12F) || InRange(c, 0x132, 0x137) || InRange(c, 0x14A, 0x177);
    const bool oddPairs = InRange(c, 0x139, 0x148) || InRange(c, 0x179, 0x17E);
    if ((evenPairs && c % 2 == 0) || (oddPairs && c % 2 == 1))
        return c + 1;
    return c;
}

}  // namespace

wchar_t FoldCase(wchar_t c) {
    if (c < 0x80)
        return AsciiLower(c);
    if (InRange(c, 0xC0, 0xDE) && c != 0xD7)
        return c + 32;
    if (InRange(c, 0x100, 0x17F))
        return FoldLatinExtendedA(c);
    if (InRange(c, 0x391, 0x3A9) && c != 0x3A2)
        return c + 32;  // Greek
    if (InRange(c, 0x410, 0x42F))
        return c + 32;  // Cyrillic
    if (InRange(c, 0x400, 0x40F))
        return c + 80;
    return c;
}

std::wstring LogicalSortKey(std::wstring_view name) {
    std::wstring key;
    key.reserve(name.size() + 2);
    for (std::size_t i = 0; i < name.size();) {
        if (!IsDigit(name[i])) {
            key.push_back(FoldCase(name[i++]));
            continue;
        }
        // Against any other character a run compares as its first digit
        // would, and no other character lies among the digits.
        const auto run = ReadRun(name, i);
        key.push_back(L'0');
        key.push_back(static_cast<wchar_t>(run.significant.size()));
        key.append(run.significant);
        i += run.length;
    }
    return key;
}

int LogicalCompare(std::wstring_view a, std::wstring_view b) {
    int zerosTie = 0;
    int caseTie = 0;
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            const auto ra = ReadRun(a, i);
            const auto rb = ReadRun(b, j);
            if (const int c = CompareNumbers(ra.significant, rb.significant))
                return c;
            if (zerosTie == 0 && ra.zeros != rb.zeros)
                zerosTie = ra.zeros > rb.zeros ? -1 : 1;
            i += ra.length;
            j += rb.length;
            continue;
        }
        const wchar_t fa = FoldCase(a[i]);
        const wchar_t fb = FoldCase(b[j]);
        if (fa != fb)
            return fa < fb ? -1 : 1;
        if (caseTie == 0 && a[i] != b[j])
            caseTie = a[i] < b[j] ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return zerosTie != 0 ? zerosTie : caseTie;
}

}  // namespace torvane
