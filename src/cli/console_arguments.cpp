#include "cli/console_arguments.hpp"

#include "cli/console_switches.hpp"

namespace torvane {
namespace {

// Parses one run of arguments by the switch table; stops at the first error.
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
        out_.invalid = true;
        out_.error = std::move(text);
    }

    // The next argument, taken when it is there and no switch.
    std::optional<std::wstring> OptionalValue() {
        if (i_ < args_.size() && !LooksLikeSwitch(args_[i_]))
            return args_[i_++];
        return std::nullopt;
    }

    void Take(const std::wstring& argument) {
        if (!LooksLikeSwitch(argument)) {
            if (argument == L"?")
                out_.desktopArguments.push_back(argument);
            else
                out_.positionals.push_back(argument);
            return;
        }
        const ConsoleSwitch* which = FindConsoleSwitch(argument);
        if (!which) {
            const ConsoleSwitch* meant = NearestConsoleSwitch(argument);
            return Fail(L"Unknown switch " + argument + L"." +
                        (meant ? L" Did you mean " + std::wstring(meant->name) + L"?" : L""));
        }
        std::wstring kept = argument;
        if (!which->sameAs.empty()) {
            which = FindConsoleSwitch(which->sameAs);
            kept = std::wstring(which->name);  // a spelling the desktop reads
        }
        if (!which->action) {
            // Kept for the desktop command line, which says which value is
            // missing.
            out_.desktopArguments.push_back(kept);
            if (const auto value = which->values.optional ? OptionalValue() : std::nullopt)
                out_.desktopArguments.push_back(*value);
            return;
        }
        const auto count = static_cast<std::size_t>(which->values.count);
        if (args_.size() - i_ < count)
            return Fail(argument + L" needs " + std::wstring(which->values.needs) + L".");
        std::vector<std::wstring> values(args_.begin() + static_cast<std::ptrdiff_t>(i_),
                                         args_.begin() + static_cast<std::ptrdiff_t>(i_ + count));
        i_ += count;
        if (const auto value = which->values.optional ? OptionalValue() : std::nullopt)
            values.push_back(*value);
        which->action(out_, argument, values);
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
