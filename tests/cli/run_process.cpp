#include "run_process.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "temp_dir.hpp"

extern char** environ;

namespace torvane::testing {
namespace {

// The child's side: streams in place, then the program.
[[noreturn]] void StartChild(const std::string& program, std::vector<char*>& argv,
                             std::vector<char*>& env, const std::string& workingFolder, Input input,
                             const std::string& out, const std::string& err) {
    if (input == Input::kClosed) {
        ::close(STDIN_FILENO);
    } else {
        const int null = ::open("/dev/null", O_RDONLY);
        ::dup2(null, STDIN_FILENO);
    }
    const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (outFd < 0 || errFd < 0 || ::dup2(outFd, STDOUT_FILENO) < 0 ||
        ::dup2(errFd, STDERR_FILENO) < 0 || ::chdir(workingFolder.c_str()) != 0)
        ::_exit(127);
    ::execve(program.c_str(), argv.data(), env.data());
    ::_exit(127);
}

// The job history of the programs a test runs: a folder of the test's own,
// shared by every program it runs (so a job and its undo meet), never the
// user's.
const std::string& StateHome() {
    static const TempDir folder;
    return folder.path();
}

// The argument and environment vectors of a child, with the time zone
// pinned and the history in the test's own folder; made before the fork, as
// the child may only exec.
struct ChildWords {
    ChildWords(const std::string& program, const std::vector<std::string>& arguments) {
        words.push_back(program);
        words.insert(words.end(), arguments.begin(), arguments.end());
        settings.push_back("TZ=UTC0");
        settings.push_back("XDG_STATE_HOME=" + StateHome());
        for (char** e = environ; *e; ++e) {
            const std::string setting(*e);
            if (setting.rfind("TZ=", 0) != 0 && setting.rfind("XDG_STATE_HOME=", 0) != 0)
                settings.push_back(setting);
        }
        for (auto& w : words)
            argv.push_back(w.data());
        argv.push_back(nullptr);
        for (auto& e : settings)
            env.push_back(e.data());
        env.push_back(nullptr);
    }
    std::vector<std::string> words;
    std::vector<std::string> settings;
    std::vector<char*> argv;
    std::vector<char*> env;
};

int WaitFor(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingFolder, Input input) {
    TempDir outputs;
    const std::string out = outputs.Join("out");
    const std::string err = outputs.Join("err");
    ChildWords words(program, arguments);
    const pid_t child = ::fork();
    if (child == 0)
        StartChild(program, words.argv, words.env, workingFolder, input, out, err);
    ProcessResult result;
    if (child < 0) {
        ADD_FAILURE() << "fork failed";
        return result;
    }
    result.exitStatus = WaitFor(child);
    result.out = ReadBytes(out);
    result.err = ReadBytes(err);
    return result;
}

ProcessResult RunOnTerminal(const std::string& program, const std::vector<std::string>& arguments,
                            const std::string& workingFolder,
                            const std::vector<Exchange>& exchanges) {
    ChildWords words(program, arguments);
    int terminal = -1;
    const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child == 0) {
        if (::chdir(workingFolder.c_str()) == 0)
            ::execve(program.c_str(), words.argv.data(), words.env.data());
        ::_exit(127);
    }
    ProcessResult result;
    if (child < 0) {
        ADD_FAILURE() << "forkpty failed";
        return result;
    }
    std::size_t next = 0;
    std::size_t searchFrom = 0;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(terminal, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;  // EIO: the program has ended and closed the terminal
        result.out.append(buffer, static_cast<std::size_t>(n));
        if (next == exchanges.size())
            continue;
        const auto at = result.out.find(exchanges[next].prompt, searchFrom);
        if (at == std::string::npos)
            continue;
        const std::string& answer = exchanges[next].answer;
        if (::write(terminal, answer.data(), answer.size()) != static_cast<ssize_t>(answer.size()))
            ADD_FAILURE() << "could not answer " << exchanges[next].prompt;
        searchFrom = at + exchanges[next].prompt.size();
        ++next;
    }
    ::close(terminal);
    result.exitStatus = WaitFor(child);
    return result;
}

}  // namespace torvane::testing
