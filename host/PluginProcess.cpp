#include "PluginProcess.h"

#include "HostError.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <poll.h>
#include <random>
#include <sys/socket.h>
#include <unistd.h>

namespace ondulaxis::host {

namespace {

struct FrameHeader {
    uint64_t key;
    uint32_t kind;
    uint32_t spare;
    uint64_t size;
};

// Moves all `size` bytes, `step` (one read or send) at a time, again after a
// signal or while the socket is busy; false once a step moves nothing, when
// the peer has gone.
template <class Byte, class Step>
bool moveAll(Byte* data, std::size_t size, Step step) {
    while (size > 0) {
        const ssize_t count = step(data, size);
        if (count < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (count <= 0) return false;
        data += count;
        size -= static_cast<std::size_t>(count);
    }
    return true;
}

bool writeAll(int descriptor, const char* data, std::size_t size) {
    // MSG_NOSIGNAL: a peer that has gone is an answer, not a SIGPIPE.
    return moveAll(data, size, [&](const char* at, std::size_t left) {
        return ::send(descriptor, at, left, MSG_NOSIGNAL);
    });
}

bool readAllBlocking(int descriptor, char* data, std::size_t size) {
    return moveAll(data, size, [&](char* at, std::size_t left) { return ::read(descriptor, at, left); });
}

}  // namespace

bool MessageLink::send(MessageKind kind, const void* data, std::size_t size) {
    const FrameHeader header{key_, static_cast<uint32_t>(kind), 0, size};
    return writeAll(descriptor_, reinterpret_cast<const char*>(&header), sizeof header) &&
           writeAll(descriptor_, static_cast<const char*>(data), size);
}

Message PluginProcess::Child::receive() {
    FrameHeader header{};
    Message message;
    if (!readAllBlocking(link.descriptor(), reinterpret_cast<char*>(&header), sizeof header) ||
        header.key != link.key() || header.size > MessageLink::kMaxMessageBytes) {
        _exit(0);  // the parent has gone or is no longer the one speaking
    }
    message.kind = static_cast<MessageKind>(header.kind);
    message.bytes.resize(header.size);
    if (!readAllBlocking(link.descriptor(), message.bytes.data(), header.size)) _exit(0);
    return message;
}

PluginProcess::PluginProcess(const std::string& plugin, const std::function<void(Child&)>& work)
    : plugin_(plugin) {
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        throw HostError("cannot run plug-in " + plugin + " in a separate process: " + std::strerror(errno));
    }
    std::random_device random;
    key_ = (uint64_t{random()} << 32) ^ random();
    try {
        child_ = std::make_unique<ChildProcess>("run plug-in " + plugin, [&](ChildReport& report) {
            close(pair[0]);
            MessageLink link(pair[1], key_);
            Child child{link, report};
            try {
                work(child);
                link.send(MessageKind::done, nullptr, 0);
            } catch (const SettingError& error) {
                link.send(MessageKind::settingFailure, std::string(error.what()));
            } catch (const HostError& error) {
                link.send(MessageKind::failure, std::string(error.what()));
            } catch (const std::bad_alloc&) {
                link.send(MessageKind::failure, "plug-in " + plugin + " ran out of memory " + report.stageText());
            } catch (const std::exception& error) {
                link.send(MessageKind::failure, "plug-in " + plugin + " failed " + report.stageText() + ": " +
                                                    error.what());
            }
        });
    } catch (...) {
        close(pair[0]);
        close(pair[1]);
        throw;
    }
    close(pair[1]);
    descriptor_ = pair[0];
}

PluginProcess::~PluginProcess() {
    child_.reset();
    if (descriptor_ >= 0) close(descriptor_);
}

void PluginProcess::send(MessageKind kind, const void* data, std::size_t size) {
    const FrameHeader header{key_, static_cast<uint32_t>(kind), 0, size};
    if (!writeExact(reinterpret_cast<const char*>(&header), sizeof header) ||
        !writeExact(static_cast<const char*>(data), size)) {
        childGone();
    }
}

bool PluginProcess::awaitSocket(short events) {
    for (;;) {
        pollfd watched{descriptor_, events, 0};
        const int ready = poll(&watched, 1, 100);
        if (interruptRequested()) {
            child_->kill();
            throw InterruptedError();
        }
        if (ChildProcess::Clock::now() >= deadline_) {
            child_->kill();
            throw TimedOutError();
        }
        if (ready > 0) return true;
        // A helper process the plug-in started may hold the socket open
        // after the child has gone.
        if (child_->ended()) return false;
    }
}

bool PluginProcess::readExact(char* buffer, std::size_t size) {
    return moveAll(buffer, size, [&](char* at, std::size_t left) -> ssize_t {
        return awaitSocket(POLLIN) ? ::read(descriptor_, at, left) : 0;
    });
}

bool PluginProcess::writeExact(const char* data, std::size_t size) {
    // A hung child stops reading: the wait must stay open to Ctrl-C and
    // the deadline.
    return moveAll(data, size, [&](const char* at, std::size_t left) -> ssize_t {
        return awaitSocket(POLLOUT) ? ::send(descriptor_, at, left, MSG_NOSIGNAL | MSG_DONTWAIT) : 0;
    });
}

Message PluginProcess::receive() {
    FrameHeader header{};
    if (!readExact(reinterpret_cast<char*>(&header), sizeof header)) childGone();
    if (header.key != key_ || header.size > MessageLink::kMaxMessageBytes) {
        child_->kill();
        throw HostError("plug-in " + plugin_ + " wrote into the host's channel to its process; stopped it");
    }
    Message message;
    message.kind = static_cast<MessageKind>(header.kind);
    message.bytes.resize(header.size);
    if (!readExact(message.bytes.data(), header.size)) childGone();
    if (message.kind == MessageKind::failure) {
        finish();
        throw HostError(message.bytes);
    }
    if (message.kind == MessageKind::settingFailure) {
        finish();
        throw SettingError(message.bytes);
    }
    return message;
}

void PluginProcess::finish() {
    // The child ends right after its last message; one that does not is
    // ended here.
    if (!child_->wait(ChildProcess::Clock::now() + std::chrono::seconds(5))) child_->kill();
}

void PluginProcess::childGone() {
    // wait() throws InterruptedError when Ctrl-C, not the plug-in, ended the
    // child.
    finish();
    ChildReport& report = child_->report();
    const int64_t block = report.block.load(std::memory_order_relaxed);
    const std::string stage = block > 0 ? "while processing block " + std::to_string(block) : report.stageText();
    throw HostError("plug-in " + plugin_ + " " + child_->describeEnd(stage));
}

}  // namespace ondulaxis::host
