#include "PluginScan.h"

#include "HostError.h"
#include "ChildProcess.h"
#include "ClapInstance.h"
#include "PluginInstance.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ondulaxis::host {

namespace {

using Clock = std::chrono::steady_clock;

std::string oneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    return text;
}

// The child notes each step that may crash or hang before taking it, and
// leaves its verdict in the report it shares with the parent: nothing the
// library writes to any descriptor can pass for either.
void silenceOutput() {
    // Whatever the library prints (a program's usage text) must not mix
    // into the command's own output.
    const int nothing = open("/dev/null", O_RDWR);
    if (nothing >= 0) {
        dup2(nothing, STDIN_FILENO);
        dup2(nothing, STDOUT_FILENO);
        dup2(nothing, STDERR_FILENO);
    }
}

// Each scan gives its verdict once done, before what it loaded goes.
void scanRecordPlugin(const std::filesystem::path& path, ChildReport& report) {
    report.setStage("while the library was loading");
    auto library = std::make_shared<const PluginLibrary>(path);
    report.setStage("in its entry function " + library->entryName());
    PluginInstance instance(library);
    const PluginRecord& record = instance.record();
    report.values[0] = record.numInputs;
    report.values[1] = record.numOutputs;
    report.values[2] = record.flags;
    report.setStage("while being opened");
    instance.open();
    report.setStage("while being asked its name");
    instance.effectName();
    report.setStage("while being closed");
    instance.close();
    report.setVerdict(1);
}

// Every plug-in of the module is created, asked what a host asks before
// using it, and destroyed. One that refuses (its init fails) leaves the
// others usable and is refused when chosen; one that crashes or hangs
// fails the module.
void scanClapModule(const std::filesystem::path& path, ChildReport& report) {
    report.setStage("while the module was loading");
    auto library = std::make_shared<const ClapLibrary>(path);
    for (const ClapPluginDescription& plugin : library->plugins()) {
        report.setStage("while plug-in " + plugin.id + " was created");
        std::unique_ptr<ClapInstance> instance;
        try {
            instance = std::make_unique<ClapInstance>(library, plugin.id);
        } catch (const HostError&) {
            continue;
        }
        report.setStage("while plug-in " + plugin.id + " was asked its parameters and ports");
        for (std::size_t index = 0; index < instance->parameters().size(); ++index) instance->value(index);
        instance->ports(true);
        instance->ports(false);
        report.setStage("while plug-in " + plugin.id + " was destroyed");
        instance.reset();
    }
    report.setStage("while the module was closed");
    library.reset();
    report.setVerdict(1);
}

std::string describeDuration(std::chrono::milliseconds duration) {
    if (duration.count() % 1000 == 0) return std::to_string(duration.count() / 1000) + " s";
    return std::to_string(duration.count()) + " ms";
}

}  // namespace

PluginScan scanPlugin(const std::filesystem::path& path, std::chrono::milliseconds timeout) {
    const bool clap = isClapFile(path);
    ChildProcess child("try plug-in " + path.string(), [&](ChildReport& report) {
        silenceOutput();
        try {
            (clap ? scanClapModule : scanRecordPlugin)(path, report);
        } catch (const std::exception& error) {
            report.setVerdict(-1, oneLine(error.what()));
        } catch (...) {
            report.setVerdict(-1, "plug-in " + path.string() + " threw an unknown exception");
        }
    });
    // The verdict ends the wait even when a helper process the library
    // started lives on; the child itself ends right after it.
    const Clock::time_point deadline = Clock::now() + timeout;
    bool finished = false;
    while (!(finished = child.wait(std::min(deadline, Clock::now() + std::chrono::milliseconds(20))))) {
        if (child.report().verdict.load(std::memory_order_acquire) != 0 || Clock::now() >= deadline) break;
    }
    const int32_t verdict = child.report().verdict.load(std::memory_order_acquire);
    if (!finished) child.kill();
    if (verdict < 0) throw HostError(child.report().messageText());
    const std::string stage = child.report().stageText();
    if (verdict > 0 && (!finished || (WIFEXITED(child.status()) && WEXITSTATUS(child.status()) == 0))) {
        return {child.report().values[0], child.report().values[1], child.report().values[2]};
    }
    const std::string name = "plug-in " + path.string();
    // Programs export a `main` too; called as an entry function it does
    // anything but hand over a record.
    const std::string hint = stage == "in its entry function main"
                                 ? ": its `main` may be a program's rather than a plug-in entry"
                                 : "";
    if (!finished) {
        throw HostError(name + " hung " + stage + " (no answer within " + describeDuration(timeout) + ")" + hint +
                        "; not loading it");
    }
    throw HostError(name + " " + child.describeEnd(stage) + hint + "; not loading it");
}

std::shared_ptr<const PluginLibrary> loadScannedPlugin(const std::filesystem::path& path,
                                                      std::chrono::milliseconds timeout) {
    scanPlugin(path, timeout);
    return std::make_shared<const PluginLibrary>(path);
}

}  // namespace ondulaxis::host
