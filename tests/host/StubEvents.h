// What the test waits on instead of time (POSIX): a stub's announcement
// that it hangs, the end of the process that announced it, the end of a
// child, and the helpers a stub left behind.
#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>

namespace ondulaxis::host::test {

// A FIFO a stub announces its hang into (ONDULAXIS_STUB_HANG_FIFO). Made
// and opened before the command starts, removed with the object.
class HangSignal {
public:
    HangSignal();
    ~HangSignal();
    HangSignal(const HangSignal&) = delete;
    HangSignal& operator=(const HangSignal&) = delete;

    const std::string& path() const { return path_; }
    // Whether a stub announced its hang within `seconds`.
    bool hung(int seconds);
    // Whether every process holding the announcement ended within `seconds`;
    // only meaningful once `hung` answered true.
    bool holderGone(int seconds);

private:
    std::string path_;
    int descriptor = -1;
};

// The exit status of `child` (128 + the signal when one ended it), waited
// for at most `seconds`; -1, with the child killed, when it took longer.
int exitStatusWithin(pid_t child, int seconds);

// Helpers a stub forks and records (ONDULAXIS_STUB_HELPERS) into a file.
class HelperRecord {
public:
    explicit HelperRecord(std::filesystem::path file) : file_(std::move(file)) {}
    const std::filesystem::path& file() const { return file_; }
    // Ends every recorded helper; answers how many were still running (not
    // ended, not a zombie) until then.
    int endRunning() const;

private:
    std::filesystem::path file_;
};

}  // namespace ondulaxis::host::test
