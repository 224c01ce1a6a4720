#pragma once

#include <string>
#include <vector>

namespace torvane::testing {

// What a finished program left behind.
struct ProcessResult {
    int exitStatus = -1;  // -1 when it did not exit normally
    std::string out;
    std::string err;
};

enum class Input { kNull, kClosed };

// Runs `program` with `arguments` in the folder `workingFolder`, its standard
// input /dev/null or closed, its two outputs caught in files, with TZ=UTC0 in
// its environment; waits for it to end.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingFolder, Input input = Input::kNull);

// One prompt a program writes on its terminal and the answer typed to it.
struct Exchange {
    std::string prompt;
    std::string answer;
};

// Runs `program` like RunProcess, but with a pseudo-terminal as its standard
// input, output and error: each prompt of `exchanges`, once it has appeared
// (in order), is answered with its answer. `out` is everything the program
// wrote on the terminal (with the terminal's echo); `err` stays empty.
ProcessResult RunOnTerminal(const std::string& program, const std::vector<std::string>& arguments,
                            const std::string& workingFolder,
                            const std::vector<Exchange>& exchanges);

}  // namespace torvane::testing
