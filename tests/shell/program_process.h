#pragma once

// The program's own process, as a shell starts it, for the tests of the host as a person
// meets it.

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace furlpane::testing {

// A desk with one window, "Groceries" (its title bar at 200,112), and the program launched.
constexpr const char* kNotesDesk = R"(screen 0,0 1100x700 scale 1
app com.example.Notes "Notes"
window "Groceries" of com.example.Notes at 100,100 size 300x200
launch
)";

// furlpane-novan with `arguments`, its standard input, output and error the descriptors
// of `standard` (-1: /dev/null); `prepare` runs in the child before the program replaces
// it (limits, the environment). Its pid.
inline pid_t startProgram(const std::vector<std::string>& arguments, std::array<int, 3> standard,
                          const std::function<void()>& prepare = {}) {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    for (int fd = 0; fd < 3; ++fd) {
        const int from = standard[fd] >= 0 ? standard[fd] : ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        ::dup2(from, fd);
    }
    if (prepare) prepare();
    std::vector<char*> argv{const_cast<char*>(FURLPANE_PROGRAM)};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(FURLPANE_PROGRAM, argv.data());
    _exit(127);
}

// How the child ended within `seconds`: its exit status, 1000 + the signal that killed
// it, or -1 when it still ran (it is killed then).
inline int endWithin(pid_t pid, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
}

}  // namespace furlpane::testing
