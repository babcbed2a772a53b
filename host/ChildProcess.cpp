#include "ChildProcess.h"

#include "HostError.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <utility>
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

extern "C" void onInterrupt(int signal) { interrupted = signal; }

// Enough for a plug-in's complaints; a plug-in that prints a line per block
// is cut short.
constexpr std::size_t kMaxPluginOutput = 16384;
std::string pluginOutput;

// Appends what the child wrote to `capture`, each line marked as the
// plug-in's.
void collectPluginOutput(int capture) {
    std::string text(kMaxPluginOutput, '\0');
    const ssize_t count = pread(capture, text.data(), text.size(), 0);
    text.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
    std::size_t start = 0;
    while (start < text.size() && pluginOutput.size() < kMaxPluginOutput) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, std::min<std::size_t>(end - start, 200));
        for (char& c : line) {
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t') c = '?';
        }
        pluginOutput += "plug-in output: " + line + (end - start > 200 ? "..." : "") + "\n";
        start = end + 1;
    }
    struct stat status{};
    if (fstat(capture, &status) == 0 && static_cast<std::size_t>(status.st_size) > text.size()) {
        pluginOutput += "plug-in output: ... (" + std::to_string(status.st_size - static_cast<off_t>(text.size())) +
                        " more bytes)\n";
    }
}

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
    for (const int signal : {SIGINT, SIGTERM}) {
        struct sigaction inherited{};
        sigaction(signal, nullptr, &inherited);
        if (inherited.sa_handler != SIG_IGN) sigaction(signal, &action, nullptr);
    }
}

bool interruptRequested() { return interrupted != 0; }

int interruptSignal() { return interrupted; }

std::string takePluginOutput() { return std::exchange(pluginOutput, {}); }

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
    if (FILE* capture = std::tmpfile()) {
        capture_ = dup(fileno(capture));
        std::fclose(capture);
    }
    // Whatever sits in the parent's buffers must not come out twice.
    std::fflush(nullptr);
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ < 0) {
        const int error = errno;
        munmap(report_, sizeof(ChildReport));
        if (capture_ >= 0) close(capture_);
        throw HostError("cannot " + purpose + " in a separate process: " + std::strerror(error));
    }
    if (pid_ == 0) {
        for (const int crash : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTRAP}) signal(crash, SIG_DFL);
        // The parent's handlers are the parent's; the child ends on these.
        signal(SIGINT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
        signal(SIGPIPE, SIG_DFL);
        const int nothing = open("/dev/null", O_RDONLY);
        if (nothing >= 0) dup2(nothing, STDIN_FILENO);
        if (capture_ >= 0) {
            dup2(capture_, STDOUT_FILENO);
            dup2(capture_, STDERR_FILENO);
            if (capture_ > STDERR_FILENO) close(capture_);
        } else if (nothing >= 0) {
            dup2(nothing, STDOUT_FILENO);
            dup2(nothing, STDERR_FILENO);
        }
        if (nothing > STDERR_FILENO) close(nothing);
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
    if (capture_ >= 0) {
        collectPluginOutput(capture_);
        close(capture_);
    }
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
            throw InterruptedError();
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

namespace {

// The text area of textFromChild, shared with the child.
struct SharedText {
    static constexpr std::size_t kCapacity = std::size_t{1} << 20;
    std::atomic<uint64_t> size{0};
    char text[kCapacity];
};

}  // namespace

std::string textFromChild(const std::string& plugin, const std::function<std::string(ChildReport&)>& body) {
    void* shared = mmap(nullptr, sizeof(SharedText), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED) {
        throw HostError("cannot run plug-in " + plugin + " in a separate process: " + std::strerror(errno));
    }
    struct Unmap {
        void* area;
        ~Unmap() { munmap(area, sizeof(SharedText)); }
    } unmap{shared};
    SharedText& result = *new (shared) SharedText();
    ChildProcess child("run plug-in " + plugin, [&](ChildReport& report) {
        try {
            const std::string text = body(report);
            const std::size_t size = std::min(text.size(), SharedText::kCapacity);
            std::memcpy(result.text, text.data(), size);
            result.size.store(size, std::memory_order_relaxed);
            report.setVerdict(1);
        } catch (const SettingError& error) {
            report.setVerdict(-2, error.what());
        } catch (const HostError& error) {
            report.setVerdict(-1, error.what());
        } catch (const std::exception& error) {
            report.setVerdict(-1, "plug-in " + plugin + " failed " + report.stageText() + ": " + error.what());
        }
    });
    child.wait(ChildProcess::Clock::time_point::max());
    ChildReport& report = child.report();
    const int32_t verdict = report.verdict.load(std::memory_order_acquire);
    if (verdict == 1 && WIFEXITED(child.status()) && WEXITSTATUS(child.status()) == 0) {
        return std::string(result.text, std::min<uint64_t>(result.size.load(), SharedText::kCapacity));
    }
    if (verdict == -1) throw HostError(report.messageText());
    if (verdict == -2) throw SettingError(report.messageText());
    const int64_t block = report.block.load(std::memory_order_relaxed);
    const std::string stage = block > 0 ? "while processing block " + std::to_string(block) : report.stageText();
    throw HostError("plug-in " + plugin + " " + child.describeEnd(stage));
}

}  // namespace ondulaxis::host
