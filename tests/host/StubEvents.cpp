#include "StubEvents.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <random>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace ondulaxis::host::test {

namespace {

// Whether `descriptor` shows `events` within `seconds`, retried when a
// signal interrupts the wait.
bool ready(int descriptor, short events, int seconds) {
    pollfd watched{descriptor, events, 0};
    int answer = 0;
    do {
        answer = poll(&watched, 1, seconds * 1000);
    } while (answer < 0 && errno == EINTR);
    return answer > 0;
}

}  // namespace

HangSignal::HangSignal() {
    std::random_device random;
    do {
        path_ = ::testing::TempDir() + "ondulaxis-hang-" + std::to_string(random());
    } while (mkfifo(path_.c_str(), 0600) != 0 && errno == EEXIST);
    // Open without a writer: a FIFO that never had one shows no hang-up, so
    // the first wait sees only the announcement.
    descriptor = open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

HangSignal::~HangSignal() {
    if (descriptor >= 0) close(descriptor);
    unlink(path_.c_str());
}

bool HangSignal::hung(int seconds) {
    char byte = 0;
    return descriptor >= 0 && ready(descriptor, POLLIN, seconds) && read(descriptor, &byte, 1) == 1;
}

bool HangSignal::holderGone(int seconds) {
    char byte = 0;
    // Hang-up (read answers 0) once the last write end has closed.
    while (descriptor >= 0 && ready(descriptor, POLLIN, seconds)) {
        if (read(descriptor, &byte, 1) == 0) return true;
    }
    return false;
}

int exitStatusWithin(pid_t child, int seconds) {
    const int handle = static_cast<int>(syscall(SYS_pidfd_open, child, 0));
    const bool ended = handle < 0 || ready(handle, POLLIN, seconds);
    if (handle >= 0) close(handle);
    if (!ended) kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!ended) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int HelperRecord::endRunning() const {
    std::ifstream pids(file_);
    int running = 0;
    for (long pid = 0; pids >> pid;) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        const std::string line((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const std::size_t state = line.rfind(") ");
        if (state != std::string::npos && line[state + 2] != 'Z') ++running;
        kill(static_cast<pid_t>(pid), SIGKILL);
    }
    return running;
}

}  // namespace ondulaxis::host::test
