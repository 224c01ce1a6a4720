#include "cli/console_completion.hpp"

#include "cli/console_switches.hpp"
#include "platform/text.hpp"

namespace torvane {
namespace {

constexpr std::string_view kHead =
    "# bash completion for torvane-cli: source this file, or install it as\n"
    "# /usr/share/bash-completion/completions/torvane-cli.\n"
    "# Made from the switch table by torvane-cli-completion: do not edit.\n"
    "_torvane_cli() {\n"
    "    local cur prev words cword\n"
    "    if declare -F _init_completion >/dev/null; then\n"
    "        _init_completion || return\n"
    "    else\n"
    "        cur=${COMP_WORDS[COMP_CWORD]}\n"
    "        prev=${COMP_WORDS[COMP_CWORD-1]}\n"
    "    fi\n";

constexpr std::string_view kPrev2 =
    "    # The word two back, for the second value of a switch.\n"
    "    local prev2=\"\"\n"
    "    (( COMP_CWORD >= 2 )) && prev2=${COMP_WORDS[COMP_CWORD-2]}\n";

constexpr std::string_view kTail =
    "    if [[ $cur == -* ]]; then\n"
    "        COMPREPLY=($(compgen -W \"$switches\" -- \"$cur\"))\n"
    "        return\n"
    "    fi\n"
    "    COMPREPLY=($(compgen -f -- \"$cur\"))\n"
    "}\n"
    "complete -o filenames -F _torvane_cli torvane-cli\n";

// The case pattern of a switch: its name in lower case, and its '/' form.
std::string Pattern(const ConsoleSwitch& s) {
    const std::string name = ToUtf8(AsciiLower(s.name));
    return s.slashForm ? name + "|/" + name.substr(1) : name;
}

std::string Words(const ConsoleSwitch& s) {
    std::string words;
    for (const std::wstring_view word : s.values.words)
        words += (words.empty() ? "" : " ") + ToUtf8(word);
    return words;
}

// The commands that complete a value, ending the function.
std::string Completes(const ConsoleSwitch& s, ValueCompletion value) {
    switch (value) {
        case ValueCompletion::kWords:
            return "COMPREPLY=($(compgen -W \"" + Words(s) + "\" -- \"$cur\")); return ;;";
        case ValueCompletion::kFiles:
            return "COMPREPLY=($(compgen -f -- \"$cur\")); return ;;";
        case ValueCompletion::kTaskLists:
            return "COMPREPLY=($(compgen -f -X '!*.[tT][vV][tT]' -- \"$cur\") "
                   "$(compgen -d -- \"$cur\")); return ;;";
        case ValueCompletion::kNone:
            break;
    }
    return "return ;;";
}

// One case statement over `word`: a branch per switch whose first (or
// second) value is being typed.
std::string CaseOf(std::string_view word, bool second) {
    std::string text = "    case \"${" + std::string(word) + ",,}\" in\n";
    for (const ConsoleSwitch& s : ConsoleSwitches()) {
        const int values = s.values.count + (s.values.optional ? 1 : 0);
        if (values < (second ? 2 : 1))
            continue;
        text += "        " + Pattern(s) + ")\n            " +
                Completes(s, second ? s.values.second : s.values.first) + "\n";
    }
    return text + "    esac\n";
}

}  // namespace

std::string BashCompletionScript() {
    std::string names;
    for (const ConsoleSwitch& s : ConsoleSwitches())
        names += (names.empty() ? "" : " ") + ToUtf8(s.name);
    std::string text(kHead);
    text += "    local switches=\"" + names + "\"\n";
    text += kPrev2;
    text += CaseOf("prev", false);
    text += CaseOf("prev2", true);
    text += kTail;
    return text;
}

}  // namespace torvane
