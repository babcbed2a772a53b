#include "ChildProcess.h"

#include "HostError.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#if defined(__linux__)
#include <sys/prctl.h>
#endif

namespace ondulaxis::host {

namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void onInterrupt(int) { interrupted = 1; }

void copyBounded(char* destination, std::size_t size, const std::string& text) {
    const std::size_t length = std::min(text.size(), size - 1);
    std::memcpy(destination, text.data(), length);
    destination[length] = '\0';
}

std::string readBounded(const char* text, std::size_t size) { return std::string(text, strnlen(text, size)); }

}  // namespace

void installInterruptHandler() {
    // No SA_RESTART: a wait for a child must wake up to see the flag.
    struct sigaction action{};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool interruptRequested() { return interrupted != 0; }

void ChildReport::setStage(const std::string& text) {
    block.store(0, std::memory_order_relaxed);
    copyBounded(stage, sizeof stage, text);
}

void ChildReport::setVerdict(int32_t verdictValue, const std::string& text) {
    copyBounded(message, sizeof message, text);
    verdict.store(verdictValue, std::memory_order_release);
}

std::string ChildReport::stageText() const { return readBounded(stage, sizeof stage); }

std::string ChildReport::messageText() const { return readBounded(message, sizeof message); }

ChildProcess::ChildProcess(const std::string& purpose, const std::function<void(ChildReport&)>& body) {
    void* shared = mmap(nullptr, sizeof(ChildReport), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED) {
        throw HostError("cannot " + purpose + " in a separate process: " + std::strerror(errno));
    }
    report_ = new (shared) ChildReport();
    struct sigaction childSignal{};
    sigaction(SIGCHLD, nullptr, &childSignal);
    if (childSignal.sa_handler == SIG_IGN || (childSignal.sa_flags & SA_NOCLDWAIT) != 0) {
        struct sigaction standard{};
        standard.sa_handler = SIG_DFL;
        sigemptyset(&standard.sa_mask);
        sigaction(SIGCHLD, &standard, nullptr);
        restoreIgnoredChildSignal_ = true;
    }
    // Whatever sits in the parent's buffers must not come out twice.
    std::fflush(nullptr);
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ < 0) {
        const int error = errno;
        munmap(report_, sizeof(ChildReport));
        throw HostError("cannot " + purpose + " in a separate process: " + std::strerror(error));
    }
    if (pid_ == 0) {
        for (const int crash : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTRAP}) signal(crash, SIG_DFL);
        // The parent's handlers are the parent's; the child ends on these.
        signal(SIGINT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
#if defined(__linux__)
        prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
        // The parent may have died before the line above.
        if (getppid() != parent) _exit(1);
        try {
            body(*report_);
        } catch (...) {
            // body reports its own failures; nothing may unwind out of fork.
        }
        // Skips the library's unloading and static destructors: the parent
        // keeps running, and only what the child reported counts.
        _exit(0);
    }
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !reaped_) {
        kill();
    }
    if (restoreIgnoredChildSignal_) {
        struct sigaction ignored{};
        ignored.sa_handler = SIG_IGN;
        sigemptyset(&ignored.sa_mask);
        sigaction(SIGCHLD, &ignored, nullptr);
    }
    if (report_ != nullptr) munmap(report_, sizeof(ChildReport));
}

bool ChildProcess::ended() {
    if (reaped_) return true;
    const pid_t done = waitpid(pid_, &status_, WNOHANG);
    if (done == pid_) reaped_ = true;
    return reaped_;
}

bool ChildProcess::wait(Clock::time_point deadline) {
    for (;;) {
        // First: Ctrl-C at a terminal reaches the child too, whose end would
        // otherwise pass for a crash.
        if (interruptRequested()) {
            kill();
            throw HostError("interrupted");
        }
        if (ended()) return true;
        if (Clock::now() >= deadline) return false;
        // A short sleep rather than a signal: it leaves SIGCHLD to the
        // program, and Ctrl-C cuts it short anyway.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void ChildProcess::kill() {
    if (pid_ <= 0 || reaped_) return;
    ::kill(pid_, SIGKILL);
    while (waitpid(pid_, &status_, 0) < 0 && errno == EINTR) {
    }
    reaped_ = true;
}

std::string ChildProcess::describeEnd(const std::string& stage) const {
    if (WIFSIGNALED(status_)) {
        return "crashed " + stage + " (" + strsignal(WTERMSIG(status_)) + ")";
    }
    return "ended the process " + stage + " (exit status " +
           std::to_string(WIFEXITED(status_) ? WEXITSTATUS(status_) : -1) + ")";
}

}  // namespace ondulaxis::host
