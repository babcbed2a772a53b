// Plug-in work done in a child process that talks with the parent in framed
// messages over a socket: the parent keeps the files, so a plug-in that
// crashes costs one line of error and no partial output. POSIX only.
#pragma once

#include "ChildProcess.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace ondulaxis::host {

enum class MessageKind : uint32_t {
    text = 1,  // report text, printed as it comes
    audio,     // interleaved float frames
    end,       // no more input
    preset,    // files the parent writes
    plot,
    done,      // the child's work is complete
    failure,   // the child's HostError, one line
    settingFailure,  // the child's SettingError, one line
};

struct Message {
    MessageKind kind = MessageKind::done;
    std::string bytes;
};

// One end of the socket. Every frame carries a key drawn for this child, so
// bytes a plug-in writes to a descriptor it happens to hold are refused
// rather than read as a message, and no frame may claim more than
// kMaxMessageBytes.
class MessageLink {
public:
    static constexpr uint64_t kMaxMessageBytes = uint64_t{1} << 28;

    MessageLink(int descriptor, uint64_t key) : descriptor_(descriptor), key_(key) {}
    // False when the other end has gone.
    bool send(MessageKind kind, const void* data, std::size_t size);
    bool send(MessageKind kind, const std::string& text) { return send(kind, text.data(), text.size()); }
    int descriptor() const { return descriptor_; }
    uint64_t key() const { return key_; }

private:
    int descriptor_;
    uint64_t key_;
};

class PluginProcess {
public:
    // What the child's work gets: its end of the socket (blocking) and the
    // shared report for the stage it is at.
    struct Child {
        MessageLink& link;
        ChildReport& report;
        // Blocks for the parent's next message; ends the child when the
        // parent has gone.
        Message receive();
    };

    // Starts `work` in a child. `plugin` names it in messages. A HostError
    // the work throws reaches the parent as its message.
    PluginProcess(const std::string& plugin, const std::function<void(Child&)>& work);
    ~PluginProcess();
    PluginProcess(const PluginProcess&) = delete;
    PluginProcess& operator=(const PluginProcess&) = delete;

    // Ends the child, and throws TimedOutError from send() or receive(),
    // once `deadline` has passed.
    void setDeadline(ChildProcess::Clock::time_point deadline) { deadline_ = deadline; }
    // Throws as receive() does when the child cannot take the message.
    void send(MessageKind kind, const void* data, std::size_t size);
    // The child's next message. Throws HostError when the child failed (its
    // message), crashed or ended ("plug-in X crashed while processing block
    // 4 (Segmentation fault)") or wrote garbage; InterruptedError on Ctrl-C,
    // TimedOutError after the deadline.
    Message receive();
    // After `done`: waits for the child to end.
    void finish();

private:
    [[noreturn]] void childGone();
    // Waits until the socket is ready for `events` or the child has ended
    // (false); throws on an interrupt or after the deadline.
    bool awaitSocket(short events);
    bool readExact(char* buffer, std::size_t size);
    bool writeExact(const char* data, std::size_t size);

    std::string plugin_;
    int descriptor_ = -1;
    uint64_t key_ = 0;
    ChildProcess::Clock::time_point deadline_ = ChildProcess::Clock::time_point::max();
    std::unique_ptr<ChildProcess> child_;
};

}  // namespace ondulaxis::host
