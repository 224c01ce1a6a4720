#pragma once

#include <string>

namespace torvane {

// The bash completion script of torvane-cli, made from the switch table
// (console_switches.hpp): the switches offered after '-', and per switch
// what its first and second values complete to. doc/completion/torvane-cli.bash
// holds it; the program torvane-cli-completion prints it, and a test checks
// that the file is current.
std::string BashCompletionScript();

}  // namespace torvane
