#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace torvane::testing {

// Runs the program `argv[0]` with `argv` in a process of its own, reads its
// standard output until it has written `steps` bytes (one a change, as the
// tests' job children write them), then kills it with SIGKILL and waits for
// it. Returns true when it was killed part way, false when it ended (or
// could not be started) before writing that much.
bool KillChildAfterSteps(const std::vector<std::string>& argv, std::size_t steps);

}  // namespace torvane::testing
