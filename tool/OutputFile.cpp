#include "OutputFile.h"

#include "HostError.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ondulaxis::tool {

using namespace ondulaxis::host;

namespace {

std::string systemError() { return std::strerror(errno); }

mode_t creationMode() {
    // A file created the ordinary way gets 0666 less the umask; mkstemp's
    // 0600 would surprise whoever shares the output.
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// A temporary beside the destination, so the final rename stays on one
// file system and is atomic.
int createTemporaryBeside(const std::filesystem::path& destination, std::string& name) {
    const std::filesystem::path folder = destination.has_parent_path() ? destination.parent_path() : ".";
    std::string hidden(".");
    hidden += destination.filename().string();
    hidden += ".XXXXXX";
    std::string pattern = (folder / hidden).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int descriptor = mkstemp(buffer.data());
    if (descriptor < 0) {
        throw HostError("cannot write " + destination.string() + ": " + systemError());
    }
    fchmod(descriptor, creationMode());
    name = buffer.data();
    return descriptor;
}

void commitTemporary(int descriptor, const std::string& temporary, const std::filesystem::path& destination) {
    if (fsync(descriptor) != 0 || close(descriptor) != 0) {
        const std::string reason = systemError();
        unlink(temporary.c_str());
        throw HostError("cannot write " + destination.string() + ": " + reason);
    }
    if (std::rename(temporary.c_str(), destination.c_str()) != 0) {
        const std::string reason = systemError();
        unlink(temporary.c_str());
        throw HostError("cannot write " + destination.string() + ": " + reason);
    }
}

// A file with no name in the destination's folder, or -1 where the file
// system or kernel has no such thing.
int createUnnamedBeside(const std::filesystem::path& destination) {
#if defined(O_TMPFILE)
    const std::filesystem::path folder = destination.has_parent_path() ? destination.parent_path() : ".";
    // open() applies the umask, as for any new file.
    return open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
#else
    (void)destination;
    return -1;
#endif
}

// "a FIFO" for anything but a regular file; empty for a regular file or
// none.
std::string describeSpecialFile(const std::filesystem::path& path) {
    struct stat status{};
    if (stat(path.c_str(), &status) != 0 || S_ISREG(status.st_mode)) return {};
    if (S_ISDIR(status.st_mode)) return "a directory";
    if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) return "a device";
    if (S_ISFIFO(status.st_mode)) return "a FIFO";
    if (S_ISSOCK(status.st_mode)) return "a socket";
    return "not a regular file";
}

void refuseSpecialFile(const std::filesystem::path& path, const std::string& what) {
    const std::string kind = describeSpecialFile(path);
    if (!kind.empty()) {
        throw HostError("cannot write " + what + path.string() + ": it is " + kind +
                        ", and only a regular file is replaced");
    }
}

}  // namespace

std::filesystem::path followLinks(const std::filesystem::path& path) {
    std::filesystem::path current = path;
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code error;
        if (!std::filesystem::is_symlink(current, error)) return current;
        const std::filesystem::path target = std::filesystem::read_symlink(current, error);
        if (error) return current;
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
    throw HostError("cannot write " + path.string() + ": too many levels of symbolic links");
}

StagedOutput::StagedOutput(const std::filesystem::path& destination, Staging staging)
    : destination_(followLinks(destination)) {
    refuseSpecialFile(destination_, "");
    if (staging == Staging::unnamedWherePossible) descriptor_ = createUnnamedBeside(destination_);
    if (descriptor_ < 0) descriptor_ = createTemporaryBeside(destination_, temporary_);
}

void StagedOutput::commit() {
    if (temporary_.empty() && descriptor_ >= 0) {
        // Named only now, hidden beside the destination, then renamed over
        // it: a link cannot replace an existing file.
        std::string name;
        const int placeholder = createTemporaryBeside(destination_, name);
        close(placeholder);
        unlink(name.c_str());
        const std::string self = "/proc/self/fd/" + std::to_string(descriptor_);
        if (fsync(descriptor_) != 0 ||
            linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            const std::string reason = systemError();
            discard();
            throw HostError("cannot write " + destination_.string() + ": " + reason);
        }
        temporary_ = name;
    }
    const int descriptor = descriptor_;
    descriptor_ = -1;
    const std::string temporary = std::move(temporary_);
    temporary_.clear();
    commitTemporary(descriptor, temporary, destination_);
}

void StagedOutput::discard() noexcept {
    if (descriptor_ >= 0) close(descriptor_);
    descriptor_ = -1;
    if (!temporary_.empty()) unlink(temporary_.c_str());
    temporary_.clear();
}

void writeTextFileAtomically(const std::filesystem::path& destination, const std::string& text) {
    StagedOutput output(destination);
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t result = ::write(output.descriptor(), text.data() + written, text.size() - written);
        if (result < 0) {
            if (errno == EINTR) continue;
            throw HostError("cannot write " + destination.string() + ": " + systemError());
        }
        written += static_cast<std::size_t>(result);
    }
    output.commit();
}

bool refersToSameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    struct stat first{};
    struct stat second{};
    if (stat(a.c_str(), &first) != 0 || stat(b.c_str(), &second) != 0) return false;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool namesSameDestination(const std::filesystem::path& a, const std::filesystem::path& b) {
    if (refersToSameFile(a, b)) return true;
    std::error_code errorA;
    std::error_code errorB;
    const std::filesystem::path first = std::filesystem::weakly_canonical(a, errorA);
    const std::filesystem::path second = std::filesystem::weakly_canonical(b, errorB);
    return errorA || errorB ? a.lexically_normal() == b.lexically_normal() : first == second;
}

void checkWritableDestination(const std::filesystem::path& given, const std::string& what) {
    refuseSpecialFile(given, what + " ");
    const std::filesystem::path path = followLinks(given);
    std::error_code error;
    if (std::filesystem::exists(path, error) && access(path.c_str(), W_OK) != 0) {
        throw HostError("cannot write " + what + " " + path.string() + ": " + systemError());
    }
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    if (!std::filesystem::is_directory(folder, error)) {
        throw HostError("cannot write " + what + " " + path.string() + ": folder " + folder.string() +
                        " does not exist");
    }
    if (access(folder.c_str(), W_OK) != 0) {
        throw HostError("cannot write " + what + " " + path.string() + ": " + systemError());
    }
}

}  // namespace ondulaxis::tool
