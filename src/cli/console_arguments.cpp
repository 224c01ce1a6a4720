#include "cli/console_arguments.hpp"

#include <algorithm>
#include <optional>
#include <string_view>

#include "cli/task_switches.hpp"
#include "platform/text.hpp"

namespace torvane {
namespace {

template <typename Value>
struct NamedValue {
    std::wstring_view name;
    Value value;
};

constexpr NamedValue<Retrieve> kRetrieveValues[] = {
    {L"files", Retrieve::kFiles},
    {L"folders", Retrieve::kFolders},
    {L"both", Retrieve::kFilesAndFolders},
};

constexpr NamedValue<HiddenSystem> kHiddenValues[] = {
    {L"none", HiddenSystem::kNone},
    {L"hidden", HiddenSystem::kHidden},
    {L"hidden-no-system", HiddenSystem::kHiddenNoSystem},
    {L"system", HiddenSystem::kSystem},
    {L"all", HiddenSystem::kHiddenAndSystem},
};

constexpr NamedValue<AttributeTarget> kChangeValues[] = {
    {L"files", AttributeTarget::kFiles},
    {L"folders", AttributeTarget::kFolders},
    {L"both", AttributeTarget::kBoth},
};

enum class Switch {
    kRetrieve,
    kSubFolders,
    kHidden,
    kSkipProblems,
    kChange,
    kRename,
    kTimestamp,
    kAttributes,
    kRegex,
    kNumber,
    kName,
    kSave,
    kHistory,
    kUndo,
};

constexpr NamedValue<Switch> kSwitches[] = {
    {L"retrieve", Switch::kRetrieve},   {L"subfolders", Switch::kSubFolders},
    {L"hidden", Switch::kHidden},       {L"skipproblems", Switch::kSkipProblems},
    {L"change", Switch::kChange},       {L"rename", Switch::kRename},
    {L"timestamp", Switch::kTimestamp}, {L"attributes", Switch::kAttributes},
    {L"regex", Switch::kRegex},         {L"number", Switch::kNumber},
    {L"name", Switch::kName},           {L"save", Switch::kSave},
    {L"history", Switch::kHistory},     {L"undo", Switch::kUndo},
};

// How many values follow each switch.
int ValueCount(Switch s) {
    switch (s) {
        case Switch::kSubFolders:
        case Switch::kSkipProblems:
        case Switch::kRegex:
        case Switch::kHistory:
        case Switch::kUndo:  // its job's id is optional: see Take
            return 0;
        case Switch::kRename:
        case Switch::kAttributes:
            return 2;
        case Switch::kTimestamp:
            return 3;
        default:
            return 1;
    }
}

// The desktop program's switches: the first two take a value.
constexpr std::wstring_view kDesktopWithValue[] = {L"filepath", L"tasklist"};
constexpr std::wstring_view kDesktopWithout[] = {L"apply", L"noconfirm", L"quit", L"help", L"?"};

template <typename Value, std::size_t N>
std::optional<Value> ValueOf(const NamedValue<Value> (&values)[N], std::wstring_view text) {
    const std::wstring lowered = AsciiLower(text);
    for (const auto& v : values) {
        if (v.name == lowered)
            return v.value;
    }
    return std::nullopt;
}

template <std::size_t N>
bool IsOneOf(const std::wstring_view (&names)[N], std::wstring_view name) {
    for (const auto n : names) {
        if (n == name)
            return true;
    }
    return false;
}

// An argument that starts like a switch: '-' anything, or '/' followed by
// a switch name (any other '/' argument is an absolute path).
bool LooksLikeSwitch(std::wstring_view argument) {
    if (argument.size() < 2)
        return false;
    if (argument.front() == L'-')
        return true;
    if (argument.front() != L'/')
        return false;
    const std::wstring name = AsciiLower(argument.substr(1));
    return ValueOf(kSwitches, name) || IsOneOf(kDesktopWithValue, name) ||
           IsOneOf(kDesktopWithout, name);
}

// Parses one run of arguments; stops at the first error.
class Parser {
  public:
    explicit Parser(const std::vector<std::wstring>& arguments) : args_(arguments) {}

    ConsoleArguments Run() {
        while (i_ < args_.size() && !out_.invalid)
            Take(args_[i_++]);
        return std::move(out_);
    }

  private:
    void Fail(std::wstring text) {
        if (!out_.invalid) {
            out_.invalid = true;
            out_.error = std::move(text);
        }
    }

    void Take(const std::wstring& argument) {
        const std::wstring lowered = AsciiLower(argument);
        if (lowered == L"--help" || lowered == L"-h") {
            out_.help = true;
            return;
        }
        if (lowered == L"--version") {
            out_.version = true;
            return;
        }
        if (!LooksLikeSwitch(argument)) {
            if (argument == L"?")
                out_.desktopArguments.push_back(argument);
            else
                out_.positionals.push_back(argument);
            return;
        }
        const std::wstring name = lowered.substr(1);
        if (IsOneOf(kDesktopWithout, name)) {
            out_.desktopArguments.push_back(argument);
            return;
        }
        if (IsOneOf(kDesktopWithValue, name)) {
            // Without a value the desktop check says which is missing.
            out_.desktopArguments.push_back(argument);
            if (i_ < args_.size() && !LooksLikeSwitch(args_[i_]))
                out_.desktopArguments.push_back(args_[i_++]);
            return;
        }
        const auto which = ValueOf(kSwitches, name);
        if (!which) {
            Fail(L"Unknown switch " + argument + L".");
            return;
        }
        if (*which == Switch::kUndo) {
            out_.undo = true;
            // The job's id, when digits follow.
            if (i_ < args_.size() && !args_[i_].empty() && args_[i_].size() <= 18 &&
                args_[i_].find_first_not_of(L"0123456789") == std::wstring::npos)
                out_.undoId = std::stoll(args_[i_++]);
            return;
        }
        const int count = ValueCount(*which);
        if (args_.size() - i_ < static_cast<std::size_t>(count)) {
            Fail(argument + L" needs " + ValuesOf(*which) + L".");
            return;
        }
        std::vector<std::wstring> values(args_.begin() + static_cast<std::ptrdiff_t>(i_),
                                         args_.begin() + static_cast<std::ptrdiff_t>(i_) + count);
        i_ += static_cast<std::size_t>(count);
        Apply(*which, argument, values);
    }

    static std::wstring ValuesOf(Switch s) {
        switch (s) {
            case Switch::kRetrieve:
                return L"files, folders or both";
            case Switch::kHidden:
                return L"none, hidden, hidden-no-system, system or all";
            case Switch::kChange:
                return L"files, folders or both";
            case Switch::kRename:
                return L"a find text and a replacement";
            case Switch::kTimestamp:
                return L"created, modified or accessed, a find text and a replacement";
            case Switch::kAttributes:
                return L"a name pattern and the attributes (like \"+ReadOnly +Archive\" or +R+A)";
            case Switch::kNumber:
                return L"a start number";
            case Switch::kName:
                return L"a task name";
            case Switch::kSave:
                return L"a task-list file";
            default:
                return L"nothing";
        }
    }

    // A value of a list, or the error naming the switch and the value.
    template <typename Value, std::size_t N>
    void Choose(const NamedValue<Value> (&values)[N], const std::wstring& argument,
                const std::wstring& value, Switch s, Value& option) {
        if (const auto v = ValueOf(values, value))
            option = *v;
        else
            Fail(argument + L": \"" + value + L"\" is not one of " + ValuesOf(s) + L".");
    }

    // The task a modifier switch sets a field of.
    TaskFields* LastTask(const std::wstring& argument) {
        if (out_.tasks.empty()) {
            Fail(argument +
                 L" sets a field of the task before it: give -Rename, -Timestamp or "
                 L"-Attributes first.");
            return nullptr;
        }
        return &out_.tasks.back();
    }

    void Apply(Switch s, const std::wstring& argument, const std::vector<std::wstring>& v) {
        switch (s) {
            case Switch::kRetrieve:
                return Choose(kRetrieveValues, argument, v[0], s, out_.options.retrieve);
            case Switch::kHidden:
                return Choose(kHiddenValues, argument, v[0], s, out_.options.hiddenSystem);
            case Switch::kChange: {
                AttributeTarget target{};
                Choose(kChangeValues, argument, v[0], s, target);
                out_.change = target;
                return;
            }
            case Switch::kSubFolders:
                out_.options.includeSubfolders = true;
                return;
            case Switch::kSkipProblems:
                out_.skipProblems = true;
                return;
            case Switch::kRename: {
                RenameTaskFields task;
                task.find = v[0];
                task.replace = v[1];
                return AddTask(argument, std::move(task));
            }
            case Switch::kTimestamp: {
                TimestampTaskFields task;
                const auto kind = TimeKindOf(v[0]);
                if (!kind)
                    return Fail(argument + L": \"" + v[0] +
                                L"\" is not one of created, modified or accessed.");
                task.timeKind = *kind;
                task.find = v[1];
                task.replace = v[2];
                return AddTask(argument, std::move(task));
            }
            case Switch::kAttributes: {
                AttributeTaskFields task;
                task.find = v[0];
                std::wstring error;
                const auto word = ParseAttributeWord(v[1], error);
                if (!word)
                    return Fail(argument + L": " + error);
                task.attributes = std::to_wstring(*word);
                return AddTask(argument, std::move(task));
            }
            case Switch::kRegex:
                if (auto* task = LastTask(argument))
                    std::visit([](auto& t) { t.regex = std::wstring(kTrue); }, *task);
                return;
            case Switch::kNumber: {
                auto* task = LastTask(argument);
                if (!task)
                    return;
                auto* rename = std::get_if<RenameTaskFields>(task);
                if (!rename)
                    return Fail(argument +
                                L" numbers a -Rename task's # runs; the task before "
                                L"it is no rename.");
                // The editor's Start At box holds digits only.
                if (v[0].empty() || v[0].find_first_not_of(L"0123456789") != std::wstring::npos)
                    return Fail(argument + L": \"" + v[0] + L"\" is not a start number (digits).");
                // A number the name can't show is refused, never cut to one it can.
                if (const auto digits =
                        v[0].substr(std::min(v[0].find_first_not_of(L'0'), v[0].size()));
                    digits.size() > 10 || (digits.size() == 10 && digits > L"2147483647"))
                    return Fail(argument + L": \"" + v[0] +
                                L"\" is past the largest start number, 2147483647.");
                rename->numbering = std::wstring(kTrue);
                rename->startNumber = v[0];
                return;
            }
            case Switch::kName:
                if (auto* task = LastTask(argument))
                    SetIdAndName(*task, 0, v[0]);
                return;
            case Switch::kSave:
                // "-" is the standard output, written through, never replaced.
                out_.savePath = v[0] == L"-" ? std::wstring(L"/dev/stdout") : v[0];
                return;
            case Switch::kHistory:
                out_.history = true;
                return;
            case Switch::kUndo:
                out_.undo = true;
                return;
        }
    }

    // The editors refuse an empty find text and "<" or ">" in their boxes:
    // either would make a task that reads back differently.
    void AddTask(const std::wstring& argument, TaskFields task) {
        if (std::visit([](const auto& t) { return t.find.empty(); }, task))
            return Fail(argument + L": the find text (or name pattern) is empty.");
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
            return Fail(argument + L": a task's texts can't hold \"<\" or \">\".");
        out_.tasks.push_back(std::move(task));
    }

    static std::vector<const std::wstring*> Texts(const RenameTaskFields& t) {
        return {&t.find, &t.replace};
    }
    static std::vector<const std::wstring*> Texts(const TimestampTaskFields& t) {
        return {&t.find, &t.replace};
    }
    static std::vector<const std::wstring*> Texts(const AttributeTaskFields& t) {
        return {&t.find};
    }

    const std::vector<std::wstring>& args_;
    std::size_t i_ = 0;
    ConsoleArguments out_;
};

}  // namespace

ConsoleArguments ExtractConsoleSwitches(const std::vector<std::wstring>& arguments) {
    return Parser(arguments).Run();
}

}  // namespace torvane
