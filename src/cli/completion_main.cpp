// torvane-cli-completion: prints torvane-cli's bash completion script, made
// from its switch table, for doc/completion/torvane-cli.bash.
#include <iostream>

#include "cli/console_completion.hpp"

int main() {
    std::cout << torvane::BashCompletionScript();
    return std::cout.good() ? 0 : 1;
}
