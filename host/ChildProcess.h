// A child process that runs plug-in code on the host's behalf, so that a
// crash or a hang in the plug-in takes down only the child. POSIX only.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <sys/types.h>

namespace ondulaxis::host {

// Ctrl-C and SIGTERM set a flag instead of ending the process, so that the
// command can stop its children and remove what it had begun to write. A
// signal the process inherited as ignored (a script's background job) stays
// ignored.
void installInterruptHandler();
bool interruptRequested();
// The signal that asked for the interrupt; 0 for none.
int interruptSignal();

// What plug-ins printed to their standard output and error in the children
// that have ended so far, at most a few kilobytes; emptied by the call.
std::string takePluginOutput();

// What the child is doing, in memory shared with the parent: a crash or a
// hang leaves it as it was, and no plug-in writes there by accident (it is
// no descriptor and sits at an address the plug-in is never told).
struct ChildReport {
    std::atomic<int64_t> block{0};  // 1-based block being processed; 0: none
    std::atomic<int32_t> verdict{0};
    int32_t values[3] = {};
    char stage[192] = {};
    char message[1024] = {};

    // [child] "in its entry function main"; clears the block count.
    void setStage(const std::string& text);
    // [child] the final answer: 1 for success, -1 for failure with `text`,
    // -2 for a setting the plug-in does not take (textFromChild's).
    void setVerdict(int32_t verdictValue, const std::string& text = {});
    // [parent] bounded reads of the texts, whatever the child left in them.
    std::string stageText() const;
    std::string messageText() const;
};

class ChildProcess {
public:
    using Clock = std::chrono::steady_clock;

    // Forks; the child runs `body` with the shared report and ends with
    // _exit(0) (or by the signal that crashed it). In the child, crash
    // signals take their default action (an inherited handler would turn a
    // crash into an ordinary exit), and the child is killed when the parent
    // dies. An inherited ignored SIGCHLD, which would reap the child before
    // the parent can read how it ended, is set to default meanwhile. The
    // child's standard output and error go to a file the parent reads once
    // the child has ended (takePluginOutput), so that neither the plug-in
    // nor a helper process it leaves holds the command's own. Throws
    // HostError when no process can be made.
    ChildProcess(const std::string& purpose, const std::function<void(ChildReport&)>& body);
    // Kills and reaps a child still running.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    ChildReport& report() { return *report_; }
    // Waits until the child has ended or the deadline has passed; true when
    // it ended. On an interrupt it kills the child and throws
    // InterruptedError.
    bool wait(Clock::time_point deadline);
    // True once the child has ended; does not wait.
    bool ended();
    void kill();
    int status() const { return status_; }
    // "crashed (Segmentation fault)" or "ended the process (exit status 3)"
    // in the words `stage` fits into: "crashed " + stage + " (...)".
    std::string describeEnd(const std::string& stage) const;

private:
    pid_t pid_ = -1;
    bool reaped_ = false;
    int status_ = 0;
    ChildReport* report_ = nullptr;
    bool restoreIgnoredChildSignal_ = false;
    int capture_ = -1;  // the child's standard output and error
};

// Runs `body` in a child and returns the text it returns, handed back in
// memory shared with the parent (no descriptor a plug-in could write to).
// `plugin` names it in messages. Throws HostError: the body's own message,
// "plug-in X crashed <stage> (...)" after a crash, or InterruptedError.
std::string textFromChild(const std::string& plugin, const std::function<std::string(ChildReport&)>& body);

}  // namespace ondulaxis::host
