#include "child_process.hpp"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace torvane::testing {

bool KillChildAfterSteps(const std::vector<std::string>& argv, std::size_t steps) {
    if (argv.empty())
        return false;
    std::vector<char*> args;
    for (const auto& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    int out[2];
    if (::pipe(out) != 0)
        return false;
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::execv(args[0], args.data());
        _exit(127);
    }
    ::close(out[1]);
    std::vector<char> buffer(steps);
    std::size_t seen = 0;
    bool killed = child > 0;
    while (killed && seen < steps) {
        const ssize_t n = ::read(out[0], buffer.data() + seen, steps - seen);
        if (n <= 0)
            killed = false;
        else
            seen += static_cast<std::size_t>(n);
    }
    if (child > 0) {
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
    }
    ::close(out[0]);
    return killed;
}

}  // namespace torvane::testing
