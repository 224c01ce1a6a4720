#include "cli/console_switches.hpp"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "cli/task_switches.hpp"
#include "engine/apply_context.hpp"
#include "engine/replacement_fields.hpp"
#include "platform/text.hpp"

namespace torvane {
namespace {

using Values = std::vector<std::wstring>;

// The words of each choice, in the order of their values.
constexpr std::wstring_view kRetrieveWords[] = {L"files", L"folders", L"both"};
constexpr Retrieve kRetrieveValues[] = {Retrieve::kFiles, Retrieve::kFolders,
                                        Retrieve::kFilesAndFolders};
constexpr std::wstring_view kHiddenWords[] = {L"none", L"hidden", L"hidden-no-system", L"system",
                                              L"all"};
constexpr HiddenSystem kHiddenValues[] = {HiddenSystem::kNone, HiddenSystem::kHidden,
                                          HiddenSystem::kHiddenNoSystem, HiddenSystem::kSystem,
                                          HiddenSystem::kHiddenAndSystem};
constexpr std::wstring_view kChangeWords[] = {L"files", L"folders", L"both"};
constexpr AttributeTarget kChangeValues[] = {AttributeTarget::kFiles, AttributeTarget::kFolders,
                                             AttributeTarget::kBoth};
constexpr std::wstring_view kCaseWords[] = {L"sensitive", L"ignore"};
constexpr bool kCaseValues[] = {true, false};
constexpr std::wstring_view kTimeWords[] = {L"created", L"modified", L"accessed"};
constexpr std::wstring_view kAttributeWords[] = {
    L"+ReadOnly", L"+Hidden", L"+System", L"+Archive", L"+Compress", L"-Index", L"+Encrypt", L"+R",
    L"+H",        L"+S",      L"+A",      L"+C",       L"+I",        L"+E",     L"none"};
constexpr std::wstring_view kScopeWords[] = {kScopeWhole, kScopeName, kScopeExtension};
constexpr std::wstring_view kNumberByWords[] = {kNumberByTaken, kNumberByModified, kNumberByCreated,
                                                kNumberBySize, kNumberByName};
// After -Undo: the switches that go with it.
constexpr std::wstring_view kUndoWords[] = {L"-Apply", L"-NoConfirm", L"-SkipProblems"};

void Fail(ConsoleArguments& out, std::wstring text) {
    if (!out.invalid) {
        out.invalid = true;
        out.error = std::move(text);
    }
}

// "a, b or c".
std::wstring Listed(std::span<const std::wstring_view> words) {
    std::wstring text;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0)
            text += i + 1 == words.size() ? L" or " : L", ";
        text += words[i];
    }
    return text;
}

// The value of the word `text` names (ASCII letter case ignored), or the
// error naming the switch and the word.
template <typename Value, std::size_t N>
void Choose(ConsoleArguments& out, const std::wstring_view (&words)[N], const Value (&values)[N],
            const std::wstring& argument, const std::wstring& text, Value& option) {
    const std::wstring lowered = AsciiLower(text);
    for (std::size_t i = 0; i < N; ++i) {
        if (words[i] == lowered) {
            option = values[i];
            return;
        }
    }
    Fail(out, argument + L": \"" + text + L"\" is not one of " + Listed(words) + L".");
}

// The task a field switch sets a field of.
TaskFields* LastTask(ConsoleArguments& out, const std::wstring& argument) {
    if (out.tasks.empty()) {
        Fail(out, argument +
                      L" sets a field of the task before it: give -Rename, -Timestamp or "
                      L"-Attributes first.");
        return nullptr;
    }
    return &out.tasks.back();
}

std::vector<const std::wstring*> Texts(const RenameTaskFields& t) {
    return {&t.find, &t.replace};
}
std::vector<const std::wstring*> Texts(const TimestampTaskFields& t) {
    return {&t.find, &t.replace};
}
std::vector<const std::wstring*> Texts(const AttributeTaskFields& t) {
    return {&t.find};
}

// The editors refuse an empty find text and "<" or ">" in their boxes:
// either would make a task that reads back differently.
void AddTask(ConsoleArguments& out, const std::wstring& argument, TaskFields task) {
    if (std::visit([](const auto& t) { return t.find.empty(); }, task))
        return Fail(out, argument + L": the find text (or name pattern) is empty.");
    bool angle = false;
    std::visit(
        [&angle](const auto& t) {
            for (const std::wstring* field : Texts(t)) {
                if (field->find_first_of(L"<>") != std::wstring::npos)
                    angle = true;
            }
        },
        task);
    if (angle)
        return Fail(out, argument + L": a task's texts can't hold \"<\" or \">\".");
    out.tasks.push_back(std::move(task));
}

void Rename(ConsoleArguments& out, const std::wstring& argument, const Values& v) {
    RenameTaskFields task;
    task.find = v[0];
    task.replace = v[1];
    AddTask(out, argument, std::move(task));
}

void Timestamp(ConsoleArguments& out, const std::wstring& argument, const Values& v) {
    const auto kind = TimeKindOf(v[0]);
    if (!kind)
        return Fail(out,
                    argument + L": \"" + v[0] + L"\" is not one of " + Listed(kTimeWords) + L".");
    TimestampTaskFields task;
    task.timeKind = *kind;
    task.find = v[1];
    task.replace = v[2];
    AddTask(out, argument, std::move(task));
}

void Attributes(ConsoleArguments& out, const std::wstring& argument, const Values& v) {
    std::wstring error;
    const auto word = ParseAttributeWord(v[1], error);
    if (!word)
        return Fail(out, argument + L": " + error);
    AttributeTaskFields task;
    task.find = v[0];
    task.attributes = std::to_wstring(*word);
    AddTask(out, argument, std::move(task));
}

void Number(ConsoleArguments& out, const std::wstring& argument, const Values& v) {
    auto* task = LastTask(out, argument);
    if (!task)
        return;
    auto* rename = std::get_if<RenameTaskFields>(task);
    if (!rename)
        return Fail(
            out, argument + L" numbers a -Rename task's # runs; the task before it is no rename.");
    // The editor's Start At box holds digits only.
    if (v[0].empty() || v[0].find_first_not_of(L"0123456789") != std::wstring::npos)
        return Fail(out, argument + L": \"" + v[0] + L"\" is not a start number (digits).");
    // A number the name can't show is refused, never cut to one it can.
    if (const auto digits = v[0].substr(std::min(v[0].find_first_not_of(L'0'), v[0].size()));
        digits.size() > 10 || (digits.size() == 10 && digits > L"2147483647"))
        return Fail(
            out, argument + L": \"" + v[0] + L"\" is past the largest start number, 2147483647.");
    rename->numbering = std::wstring(kTrue);
    rename->startNumber = v[0];
}

void Undo(ConsoleArguments& out, const std::wstring& argument, const Values& v) {
    out.undo = true;
    if (v.empty())
        return;
    out.undoId = JobIdOf(v[0]);
    if (!out.undoId)
        Fail(out, argument + L": \"" + v[0] +
                      L"\" is not a job id (a positive decimal number, as -History lists them).");
}

void SetRetrieve(ConsoleArguments& out, const std::wstring& argument, const Values& v) {
    Choose(out, kRetrieveWords, kRetrieveValues, argument, v[0], out.options.retrieve);
}
void SetHidden(ConsoleArguments& out, const std::wstring& argument, const Values& v) {
    Choose(out, kHiddenWords, kHiddenValues, argument, v[0], out.options.hiddenSystem);
}
void SetChange(ConsoleArguments& out, const std::wstring& argument, const Values& v) {
    AttributeTarget target{};
    Choose(out, kChangeWords, kChangeValues, argument, v[0], target);
    out.change = target;
}
void SetSubFolders(ConsoleArguments& out, const std::wstring&, const Values&) {
    out.options.includeSubfolders = true;
}
void SetSkipProblems(ConsoleArguments& out, const std::wstring&, const Values&) {
    out.skipProblems = true;
}
void SetCase(ConsoleArguments& out, const std::wstring& argument, const Values& v) {
    bool sensitive = false;
    Choose(out, kCaseWords, kCaseValues, argument, v[0], sensitive);
    out.caseSensitive = sensitive;
}
// The most threads the job's folders use: 1 or more.
void SetThreads(ConsoleArguments& out, const std::wstring& argument, const Values& v) {
    const std::wstring& text = v[0];
    const bool digits =
        !text.empty() && text.size() <= 4 &&
        std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
    const unsigned threads = digits ? static_cast<unsigned>(std::stoul(text)) : 0;
    if (threads < 1 || threads > kMostFolderThreads)
        return Fail(out, argument + L": \"" + text + L"\" is not a number of threads (1 to " +
                             std::to_wstring(kMostFolderThreads) + L").");
    out.folderThreads = threads;
}
void SetDryRun(ConsoleArguments& out, const std::wstring&, const Values&) {
    out.dryRun = true;
}

constexpr std::wstring_view kOneKind =
    L": a pattern is either a wildcard (-Wildcard) or a regular expression (-Regex).";

void SetRegex(ConsoleArguments& out, const std::wstring& argument, const Values&) {
    auto* task = LastTask(out, argument);
    if (!task)
        return;
    if (const auto* a = std::get_if<AttributeTaskFields>(task); a && IsFlagOn(a->wildcard))
        return Fail(out, argument + std::wstring(kOneKind));
    std::visit([](auto& t) { t.regex = std::wstring(kTrue); }, *task);
}
void SetWildcard(ConsoleArguments& out, const std::wstring& argument, const Values&) {
    auto* task = LastTask(out, argument);
    if (!task)
        return;
    auto* attributes = std::get_if<AttributeTaskFields>(task);
    if (!attributes)
        return Fail(out, argument +
                             L" makes the name pattern of an -Attributes task a wildcard pattern; "
                             L"the task before it is no -Attributes task.");
    if (IsFlagOn(attributes->regex))
        return Fail(out, argument + std::wstring(kOneKind));
    attributes->wildcard = std::wstring(kTrue);
}
void SetFields(ConsoleArguments& out, const std::wstring& argument, const Values&) {
    auto* task = LastTask(out, argument);
    if (!task)
        return;
    if (std::holds_alternative<AttributeTaskFields>(*task))
        return Fail(out, argument +
                             L" reads fields in the replacement of a -Rename or -Timestamp task; "
                             L"the task before it is an -Attributes task.");
    const std::wstring& replace = std::holds_alternative<RenameTaskFields>(*task)
                                      ? std::get<RenameTaskFields>(*task).replace
                                      : std::get<TimestampTaskFields>(*task).replace;
    std::wstring error;
    if (!ParseFieldTemplate(replace, error))
        return Fail(out, argument + L": " + error);
    std::visit(
        [](auto& t) {
            if constexpr (!std::is_same_v<std::decay_t<decltype(t)>, AttributeTaskFields>)
                t.fields = std::wstring(kTrue);
        },
        *task);
}

// The rename task a rename-only switch sets a field of.
RenameTaskFields* LastRename(ConsoleArguments& out, const std::wstring& argument) {
    auto* task = LastTask(out, argument);
    if (!task)
        return nullptr;
    auto* rename = std::get_if<RenameTaskFields>(task);
    if (!rename)
        Fail(out, argument + L" sets a field of a -Rename task; the task before it is no rename.");
    return rename;
}

void SetScope(ConsoleArguments& out, const std::wstring& argument, const Values& v) {
    std::wstring_view scope;
    if (auto* rename = LastRename(out, argument)) {
        Choose(out, kScopeWords, kScopeWords, argument, v[0], scope);
        rename->scope = scope;
    }
}

void SetNumberBy(ConsoleArguments& out, const std::wstring& argument, const Values& v) {
    std::wstring_view order;
    if (auto* rename = LastRename(out, argument)) {
        Choose(out, kNumberByWords, kNumberByWords, argument, v[0], order);
        rename->numberBy = order;
    }
}

void SetName(ConsoleArguments& out, const std::wstring& argument, const Values& v) {
    if (auto* task = LastTask(out, argument))
        SetIdAndName(*task, 0, v[0]);
}
void SetSave(ConsoleArguments& out, const std::wstring&, const Values& v) {
    // "-" is the standard output, written through, never replaced.
    out.savePath = v[0] == L"-" ? std::wstring(L"/dev/stdout") : v[0];
}
void SetHistory(ConsoleArguments& out, const std::wstring&, const Values&) {
    out.history = true;
}
void SetHelp(ConsoleArguments& out, const std::wstring&, const Values&) {
    out.help = true;
}
void SetVersion(ConsoleArguments& out, const std::wstring&, const Values&) {
    out.version = true;
}

using enum SwitchSection;
constexpr auto kNone = ValueCompletion::kNone;
constexpr auto kWords = ValueCompletion::kWords;

// The values of the switches: none; a word of a list; texts; the desktop's
// optional value.
constexpr SwitchValues kNoValue{L"", L"", 0, false, kNone, kNone, {}};
constexpr SwitchValues Word(std::wstring_view syntax, std::wstring_view needs,
                            std::span<const std::wstring_view> words) {
    return {syntax, needs, 1, false, kWords, kNone, words};
}
constexpr SwitchValues Texts(std::wstring_view syntax, std::wstring_view needs, int count,
                             ValueCompletion first = kNone) {
    return {syntax, needs, count, false, first, kNone, {}};
}
constexpr SwitchValues Optional(std::wstring_view syntax, ValueCompletion completion,
                                std::span<const std::wstring_view> words = {}) {
    return {syntax, L"", 0, true, completion, kNone, words};
}

// Every switch, in the order the help lists them.
const ConsoleSwitch kSwitches[] = {
    {L"-FilePath", kDesktop, Optional(L"PATH", ValueCompletion::kFiles), true, L"", nullptr},
    {L"-TaskList", kDesktop, Optional(L"FILE", ValueCompletion::kTaskLists), true, L"", nullptr},
    {L"-Apply", kDesktop, kNoValue, true, L"", nullptr},
    {L"-NoConfirm", kDesktop, kNoValue, true, L"", nullptr},
    {L"-Quit", kDesktop, kNoValue, true, L"", nullptr},
    {L"-?", kDesktop, kNoValue, true, L"", nullptr},
    {L"-Retrieve", kList, Word(L"files|folders|both", L"files, folders or both", kRetrieveWords),
     true, L"Entries to list (default files).", SetRetrieve},
    {L"-SubFolders", kList, kNoValue, true,
     L"Include sub directory (folders are listed with -Retrieve folders or both).\n"
     L"With -Retrieve files it descends and changes files only.",
     SetSubFolders},
    {L"-Hidden", kList,
     Word(L"none|hidden|hidden-no-system|system|all",
          L"none, hidden, hidden-no-system, system or all", kHiddenWords),
     true, L"Hidden and system entries to list (default none).", SetHidden},
    {L"-Change", kList, Word(L"files|folders|both", L"files, folders or both", kChangeWords), true,
     L"Entries the tasks change (default: SetAttributeOption in config.ini).", SetChange},
    {L"-Case", kList, Word(L"sensitive|ignore", L"sensitive or ignore", kCaseWords), true,
     L"Find with letter case kept apart or ignored, for this run\n"
     L"(default: CaseSensitiveSearch in config.ini, else ignore).",
     SetCase},
    {L"-SkipProblems", kList, kNoValue, true,
     L"With -Apply, apply the changes without a problem and leave\n"
     L"the entries with one alone (each logged), instead of refusing the job.",
     SetSkipProblems},
    {L"-Threads", kList, Texts(L"N", L"a number of threads", 1), true,
     L"Plan and apply the folders of a tree on at most N threads at once\n"
     L"(default: FolderThreads in config.ini, else as many as cores).",
     SetThreads},
    {L"-Rename", kTask, Texts(L"FIND REPLACE", L"a find text and a replacement", 2), true,
     L"Replace FIND in the name with REPLACE (Perl format: $1, $&, \\U, \\L).", Rename},
    {L"-Timestamp",
     kTask,
     {L"created|modified|accessed FIND REPLACE",
      L"created, modified or accessed, a find text and a replacement", 3, false, kWords, kNone,
      kTimeWords},
     true,
     L"Replace FIND in the time's text (MM/DD/YYYY hh:mm:ss AM).",
     Timestamp},
    {L"-Attributes",
     kTask,
     {L"PATTERN ATTRIBUTES",
      L"a name pattern and the attributes (like \"+ReadOnly +Archive\" or +R+A)", 2, false, kNone,
      kWords, kAttributeWords},
     true,
     L"For names matching PATTERN (the whole name, letter for letter, unless\n"
     L"-Wildcard or -Regex follows), set the attribute word:\n"
     L"every attribute named with + (or no sign) is on, every other is off.\n"
     L"Names: ReadOnly Hidden System Archive Compress Index NotIndexed Encrypt,\n"
     L"or attrib's letters R H S A C I E (I: not content indexed).\n"
     L"\"+ReadOnly +Archive\" and +R+A set the same word (33): Read-only,\n"
     L"Archive and Index on; Hidden, System, Compress and Encrypt off.",
     Attributes},
    {L"-Regex", kTask, kNoValue, true, L"The task before is a regular expression (Perl syntax).",
     SetRegex},
    {L"-Wildcard", kTask, kNoValue, true,
     L"The -Attributes pattern before is a wildcard pattern: * stands for any\n"
     L"characters, ? for one (\"*.txt\", \"IMG_??.jpg\"); the whole name must match.",
     SetWildcard},
    {L"-Fields", kTask, kNoValue, true,
     L"The replacement of the -Rename or -Timestamp before has fields:\n"
     L"{name} {ext} {folder} {size} {created} {modified} {accessed}, from photos and\n"
     L"videos {taken} {camera} {width} {height}, from audio {artist} {album} {title}\n"
     L"{track} {year} {genre}. A date takes a strftime format and an offset (s, m, h,\n"
     L"d): {taken:%Y-%m-%d}, {taken+2h}; a number a width: {track:2}. {{ and }} are\n"
     L"braces. Without a format a date is the time text, so -Timestamp modified\n"
     L"'^.*$' '{taken}' -Regex -Fields sets the modified time to the date taken.\n"
     L"An entry without a value is a problem; in a name a character a name can't\n"
     L"hold (/ \\ : * ? \" < > |) becomes _.",
     SetFields},
    {L"-Scope", kTask, Word(L"whole|name|ext", L"whole, name or ext", kScopeWords), true,
     L"The part of the name the -Rename before works on: the whole name (default),\n"
     L"the name without its extension, or the extension without its dot (a folder\n"
     L"has none).",
     SetScope},
    {L"-NumberBy", kTask,
     Word(L"taken|modified|created|size|name", L"taken, modified, created, size or name",
          kNumberByWords),
     true,
     L"Give the -Number numbers of the -Rename before in this order (per folder; ties,\n"
     L"and entries without the value, last, in name order; default: the list's order).",
     SetNumberBy},
    {L"-Number", kTask, Texts(L"START", L"a start number", 1), true,
     L"Number the # runs of the rename before, from START (0 to 2147483647; a number past "
     L"that range is refused).",
     Number},
    {L"-Name", kTask, Texts(L"TEXT", L"a task name", 1), true, L"Name the task before.", SetName},
    {L"-Save", kTask, Texts(L"FILE.tvt", L"a task-list file", 1, ValueCompletion::kTaskLists), true,
     L"Write the tasks above as a task list the window loads (\"-Save -\" writes it to the "
     L"standard output; a FIFO, device or socket is never written over).",
     SetSave},
    {L"-History", kHistory, kNoValue, true,
     L"List the jobs, newest first: id, time, root, changes, failures,\n"
     L"entries skipped for a problem (-SkipProblems), done, cancelled or\n"
     L"interrupted, and the undo that undid it.",
     SetHistory},
    {L"-Undo", kHistory, Optional(L"[ID]", kWords, kUndoWords), true,
     L"Show what undoing job ID (default: the last job not undone)\n"
     L"would restore; with -Apply, restore it (asked on a terminal, -NoConfirm\n"
     L"for scripts). An entry changed since the job, or gone, is a problem and\n"
     L"is left alone (-SkipProblems restores the others). Nothing is replaced.\n"
     L"The undo is a job of its own: undoing it redoes the job.\n"
     L"The argument after -Undo is its ID unless it is a switch; an ID is a\n"
     L"positive decimal number, and anything else there is an error.",
     Undo},
    {L"--help", kHelp, kNoValue, false, L"This help (also -h and -?).", SetHelp},
    {L"-Help", kHelp, kNoValue, true, L"The same as --help.", SetHelp},
    {L"-h", kHelp, kNoValue, false, L"The same as --help.", SetHelp},
    {L"--version", kHelp, kNoValue, false, L"The version.", SetVersion},
    {L"--apply", kGnu, kNoValue, false, L"The same as -Apply.", nullptr, L"-Apply"},
    {L"--no-confirm", kGnu, kNoValue, false, L"The same as -NoConfirm.", nullptr, L"-NoConfirm"},
    {L"--skip-problems", kGnu, kNoValue, false, L"The same as -SkipProblems.", nullptr,
     L"-SkipProblems"},
    {L"--dry-run", kGnu, kNoValue, false,
     L"Only print what would change, even with -Apply (as without -Apply).", SetDryRun},
    {L"-n", kGnu, kNoValue, false, L"The same as --dry-run.", nullptr, L"--dry-run"},
};

}  // namespace

std::span<const ConsoleSwitch> ConsoleSwitches() {
    return kSwitches;
}

const ConsoleSwitch* FindConsoleSwitch(std::wstring_view argument) {
    const std::wstring lowered = AsciiLower(argument);
    for (const ConsoleSwitch& s : kSwitches) {
        const std::wstring name = AsciiLower(s.name);
        if (lowered == name)
            return &s;
        if (s.slashForm && !lowered.empty() && lowered.front() == L'/' &&
            std::wstring_view(lowered).substr(1) == std::wstring_view(name).substr(1))
            return &s;
    }
    return nullptr;
}

namespace {

// A switch's letters: without its leading '-' (or '/'), in lower case.
std::wstring Letters(std::wstring_view name) {
    const auto first = name.find_first_not_of(L"-/");
    return AsciiLower(first == std::wstring_view::npos ? std::wstring_view() : name.substr(first));
}

// The edits (a letter added, left out or changed, two neighbours swapped)
// that turn `a` into `b`.
std::size_t EditDistance(const std::wstring& a, const std::wstring& b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i)
        d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j)
        d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t changed = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + changed});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

// The edits allowed between a typed switch and a name of `letters` letters.
std::size_t AllowedEdits(std::size_t letters) {
    return letters <= 2 ? 0 : letters <= 5 ? 1 : 2;
}

}  // namespace

const ConsoleSwitch* NearestConsoleSwitch(std::wstring_view argument) {
    const std::wstring typed = Letters(argument);
    if (typed.empty())
        return nullptr;
    const ConsoleSwitch* nearest = nullptr;
    std::size_t best = std::numeric_limits<std::size_t>::max();
    for (const ConsoleSwitch& s : kSwitches) {
        const std::wstring letters = Letters(s.name);
        if (letters.empty() || letters == L"?")
            continue;
        std::size_t edits = EditDistance(typed, letters);
        if (edits > AllowedEdits(letters.size())) {
            if (typed.size() < 3 || !letters.starts_with(typed))
                continue;
            edits = AllowedEdits(letters.size()) + 1;  // a start: after every near name
        }
        if (edits < best) {
            best = edits;
            nearest = &s;
        }
    }
    return nearest;
}

bool LooksLikeSwitch(std::wstring_view argument) {
    if (argument.size() < 2)
        return false;
    if (argument.front() == L'-')
        return true;
    return argument.front() == L'/' && FindConsoleSwitch(argument) != nullptr;
}

std::optional<std::int64_t> JobIdOf(std::wstring_view text) {
    if (text.empty())
        return std::nullopt;
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    std::int64_t id = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9')
            return std::nullopt;
        const int digit = c - L'0';
        if (id > (kMax - digit) / 10)
            return std::nullopt;
        id = id * 10 + digit;
    }
    if (id < 1)
        return std::nullopt;
    return id;
}

}  // namespace torvane
