// Running the ondulaxis command as a separate process (POSIX).
#include "PluginTestSupport.h"
#include "StubEvents.h"

#include <sndfile.h>

#include <csignal>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace ondulaxis::host::test {

namespace {

std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

CommandResult runOndulaxis(const std::vector<std::string>& arguments, bool interruptOnceHung,
                           const std::filesystem::path& workingDirectory, bool ignoreChildSignal) {
    return runCommand(ONDULAXIS_COMMAND_PATH, arguments, interruptOnceHung, workingDirectory, ignoreChildSignal);
}

CommandResult runCommand(const std::filesystem::path& executable, const std::vector<std::string>& arguments,
                         bool interruptOnceHung, const std::filesystem::path& workingDirectory,
                         bool ignoreChildSignal) {
    TemporaryFolder folder;
    const std::filesystem::path out = folder / "stdout";
    const std::filesystem::path errors = folder / "stderr";
    const HelperRecord helpers(folder / "helpers");
    HangSignal hang;
    const pid_t child = fork();
    if (child == 0) {
        // Standard input closed, as in CI: nothing may wait for a terminal.
        freopen("/dev/null", "r", stdin);
        freopen(out.c_str(), "w", stdout);
        freopen(errors.c_str(), "w", stderr);
        if (!workingDirectory.empty() && chdir(workingDirectory.c_str()) != 0) _exit(126);
        if (ignoreChildSignal) signal(SIGCHLD, SIG_IGN);
        setenv("ONDULAXIS_STUB_HELPERS", helpers.file().c_str(), 1);
        if (interruptOnceHung) setenv("ONDULAXIS_STUB_HANG_FIFO", hang.path().c_str(), 1);
        std::vector<char*> argv{const_cast<char*>(executable.c_str())};
        for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (interruptOnceHung) {
        EXPECT_TRUE(hang.hung(60)) << "no stub announced a hang";
        kill(child, SIGINT);
    }
    CommandResult result;
    result.status = exitStatusWithin(child, 300);
    result.out = slurp(out);
    result.errors = slurp(errors);
    std::ifstream recorded(helpers.file());
    for (long pid = 0; recorded >> pid;) ++result.helpers;
    result.helpersRunning = helpers.endRunning();
    return result;
}

std::vector<float> samplesOf(const std::filesystem::path& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) return {};
    std::vector<float> samples(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(file, samples.data(), info.frames);
    sf_close(file);
    return samples;
}

}  // namespace ondulaxis::host::test
