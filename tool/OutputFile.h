// The safety of output files, for the audio, plot and preset writers: each
// appears complete or not at all, and never over an input.
#pragma once

#include <filesystem>
#include <string>

namespace ondulaxis::tool {

// A file being written for `destination`, which is not touched until
// commit(). Where the file system allows, the file has no name until then
// (Linux O_TMPFILE), so even a killed process leaves nothing behind; else it
// is a hidden temporary beside the destination, removed unless committed.
// A destination that is a symbolic link is followed: the file it names is
// replaced and the link stays. A device, FIFO or socket is never replaced.
class StagedOutput {
public:
    enum class Staging { unnamedWherePossible, named };
    // Throws HostError when the folder cannot take a file or the destination
    // is no regular file. `named` stages as where unnamed files do not exist.
    explicit StagedOutput(const std::filesystem::path& destination,
                          Staging staging = Staging::unnamedWherePossible);
    ~StagedOutput() { discard(); }
    StagedOutput(const StagedOutput&) = delete;
    StagedOutput& operator=(const StagedOutput&) = delete;

    int descriptor() const { return descriptor_; }
    // Flushes to disk and puts the file in place of the destination.
    // Throws HostError; the destination is then as it was.
    void commit();
    void discard() noexcept;

private:
    std::filesystem::path destination_;
    std::string temporary_;  // empty while the file has no name
    int descriptor_ = -1;
};

// Writes a text file the same way: complete or not at all.
void writeTextFileAtomically(const std::filesystem::path& destination, const std::string& text);

// True when both names lead to the same existing file (same device and
// inode), so links and differently spelled paths are caught too.
bool refersToSameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// True when both names lead to the same file, or would once it is written:
// an output not yet created can be spelled in two ways ("out.wav", "./out.wav").
bool namesSameDestination(const std::filesystem::path& a, const std::filesystem::path& b);

// The file `path` names once symbolic links are followed.
std::filesystem::path followLinks(const std::filesystem::path& path);

// Throws HostError unless `path` could be created or replaced as a file: it
// must be no directory, device, FIFO or socket, and its folder (the link's
// target's, for a symbolic link) must exist.
void checkWritableDestination(const std::filesystem::path& path, const std::string& what);

}  // namespace ondulaxis::tool
