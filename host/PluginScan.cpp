#include "PluginScan.h"

#include "HostError.h"
#include "PluginInstance.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace ondulaxis::host {

namespace {

using Clock = std::chrono::steady_clock;

// The child reports on the pipe in lines: "stage TEXT" before each step that
// may crash or hang, then "ok INPUTS OUTPUTS FLAGS" or "error MESSAGE".
void report(int fd, const std::string& line) {
    const std::string text = line + "\n";
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t count = write(fd, text.data() + written, text.size() - written);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return;
        written += static_cast<std::size_t>(count);
    }
}

std::string oneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    return text;
}

[[noreturn]] void runChild(const std::filesystem::path& path, int fd) {
    // A crash must end the child by its signal, so the parent can say so:
    // handlers the process inherited (a sanitizer's, a crash reporter's)
    // would turn it into an ordinary exit.
    for (const int crash : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTRAP}) {
        signal(crash, SIG_DFL);
    }
    // Whatever the library prints (a program's usage text) must not mix
    // into the command's own output.
    const int nothing = open("/dev/null", O_RDWR);
    if (nothing >= 0) {
        dup2(nothing, STDIN_FILENO);
        dup2(nothing, STDOUT_FILENO);
        dup2(nothing, STDERR_FILENO);
    }
    try {
        report(fd, "stage while the library was loading");
        auto library = std::make_shared<const PluginLibrary>(path);
        report(fd, "stage in its entry function " + library->entryName());
        PluginInstance instance(library);
        const PluginRecord& record = instance.record();
        const std::string counts = std::to_string(record.numInputs) + " " + std::to_string(record.numOutputs) +
                                   " " + std::to_string(record.flags);
        report(fd, "stage while being opened");
        instance.open();
        report(fd, "stage while being asked its name");
        instance.effectName();
        report(fd, "stage while being closed");
        instance.close();
        report(fd, "ok " + counts);
    } catch (const std::exception& error) {
        report(fd, "error " + oneLine(error.what()));
    } catch (...) {
        report(fd, "error plug-in " + path.string() + " threw an unknown exception");
    }
    // Skips the library's unloading and static destructors: only the
    // report counts, and the parent loads the library afresh.
    _exit(0);
}

std::string describeDuration(std::chrono::milliseconds duration) {
    if (duration.count() % 1000 == 0) return std::to_string(duration.count() / 1000) + " s";
    return std::to_string(duration.count()) + " ms";
}

struct ChildOutcome {
    bool finished = false;  // false: still running at the deadline
    int status = 0;
    std::string text;
};

ChildOutcome watchChild(pid_t child, int fd, Clock::time_point deadline) {
    ChildOutcome outcome;
    // Reads until the pipe closes or the deadline passes; a grandchild the
    // library started may hold the pipe open, so a final line also ends it.
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) break;
        pollfd watched{fd, POLLIN, 0};
        const int ready = poll(&watched, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) break;
        char buffer[512];
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;
        outcome.text.append(buffer, static_cast<std::size_t>(count));
        // The first line is always a stage, so a final line follows a newline.
        const bool final = outcome.text.find("\nok ") != std::string::npos ||
                           outcome.text.find("\nerror ") != std::string::npos;
        if (final && outcome.text.back() == '\n') break;
    }
    for (;;) {
        const pid_t done = waitpid(child, &outcome.status, WNOHANG);
        if (done == child) {
            outcome.finished = true;
            return outcome;
        }
        if (done < 0 && errno != EINTR) return outcome;
        if (Clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    kill(child, SIGKILL);
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
    return outcome;
}

}  // namespace

PluginScan scanPlugin(const std::filesystem::path& path, std::chrono::milliseconds timeout) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        throw HostError("cannot try plug-in " + path.string() + " in a separate process: " + std::strerror(errno));
    }
    const pid_t child = fork();
    if (child < 0) {
        const int error = errno;
        close(fds[0]);
        close(fds[1]);
        throw HostError("cannot try plug-in " + path.string() + " in a separate process: " + std::strerror(error));
    }
    if (child == 0) {
        close(fds[0]);
        runChild(path, fds[1]);
    }
    close(fds[1]);
    const ChildOutcome outcome = watchChild(child, fds[0], Clock::now() + timeout);
    close(fds[0]);

    std::string stage = "while the library was loading";
    std::istringstream lines(outcome.text);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("stage ", 0) == 0) stage = line.substr(6);
        if (line.rfind("error ", 0) == 0) throw HostError(line.substr(6));
        if (line.rfind("ok ", 0) == 0 && outcome.finished) {
            PluginScan scan;
            std::istringstream(line.substr(3)) >> scan.inputs >> scan.outputs >> scan.flags;
            return scan;
        }
    }
    const std::string name = "plug-in " + path.string();
    // Programs export a `main` too; called as an entry function it does
    // anything but hand over a record.
    const std::string hint = stage == "in its entry function main"
                                 ? ": its `main` may be a program's rather than a plug-in entry"
                                 : "";
    if (!outcome.finished) {
        throw HostError(name + " hung " + stage + " (no answer within " + describeDuration(timeout) + ")" + hint +
                        "; not loading it");
    }
    if (WIFSIGNALED(outcome.status)) {
        const int signal = WTERMSIG(outcome.status);
        throw HostError(name + " crashed " + stage + " (" + strsignal(signal) + ")" + hint + "; not loading it");
    }
    throw HostError(name + " ended the process " + stage + " (exit status " +
                    std::to_string(WIFEXITED(outcome.status) ? WEXITSTATUS(outcome.status) : -1) + ")" + hint +
                    "; not loading it");
}

std::shared_ptr<const PluginLibrary> loadScannedPlugin(const std::filesystem::path& path) {
    scanPlugin(path);
    return std::make_shared<const PluginLibrary>(path);
}

}  // namespace ondulaxis::host
