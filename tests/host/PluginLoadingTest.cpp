// Loading plug-in files, good and bad, through the host library.
#include "PluginTestSupport.h"

#include "HostError.h"

#include <fstream>
#include <functional>

namespace ondulaxis::host::test {
namespace {

::testing::AssertionResult failsWith(const std::function<void()>& load, const std::string& fragment) {
    try {
        load();
    } catch (const HostError& error) {
        if (std::string(error.what()).find(fragment) != std::string::npos) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "message was: " << error.what();
    }
    return ::testing::AssertionFailure() << "loaded without an error";
}

TEST(PluginLoadingTest, BuiltPluginLoadsThroughItsPreferredEntry) {
    PluginLibrary library(ONDULAXIS_PLUGIN_PATH);
    EXPECT_EQ(library.entryName(), "VSTPluginMain");
}

TEST(PluginLoadingTest, FileThatIsNotALibraryIsRefused) {
    TemporaryFolder folder;
    std::ofstream(folder / "fake.so") << "not a shared library\n";
    EXPECT_TRUE(failsWith([&] { PluginLibrary library(folder / "fake.so"); }, "cannot load plug-in"));
}

TEST(PluginLoadingTest, MissingFileIsRefused) {
    TemporaryFolder folder;
    EXPECT_TRUE(failsWith([&] { PluginLibrary library(folder / "absent.so"); }, "cannot load plug-in"));
}

TEST(PluginLoadingTest, LibraryWithoutEntryIsRefused) {
    EXPECT_TRUE(failsWith([] { PluginLibrary library(stubPath("NoEntry")); }, "exports no entry function"));
}

TEST(PluginLoadingTest, EntryReturningNullIsRefused) {
    auto library = std::make_shared<const PluginLibrary>(stubPath("NullEntry"));
    EXPECT_TRUE(failsWith([&] { PluginInstance instance(library); }, "entry function returned null"));
}

TEST(PluginLoadingTest, RecordWithoutMagicIsRefused) {
    auto library = std::make_shared<const PluginLibrary>(stubPath("BadMagic"));
    EXPECT_TRUE(failsWith([&] { PluginInstance instance(library); }, "magic number"));
}

TEST(PluginLoadingTest, OlderEntryNameIsFoundAndSeesVersion2300) {
    auto library = std::make_shared<const PluginLibrary>(stubPath("MainOnly"));
    EXPECT_EQ(library->entryName(), "main");
    PluginInstance instance(library);
    EXPECT_EQ(instance.record().uniqueID, 2300);
}

TEST(PluginLoadingTest, BareFileNameMeansTheFileHereNotASystemLibrary) {
    // The C library's maths part (kernel32 on Windows) is on every system
    // path; without a file of that name in the working folder the loader must
    // not fall back to the system's.
#if defined(_WIN32)
    const char* systemLibrary = "kernel32.dll";
#else
    const char* systemLibrary = "libm.so.6";
#endif
    TemporaryFolder folder;
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    EXPECT_TRUE(failsWith([&] { PluginLibrary library(systemLibrary); }, "cannot load plug-in"));
    std::filesystem::current_path(previous);
}

TEST(PluginLoadingTest, InstancesOutliveTheirLibraryHandle) {
    std::unique_ptr<PluginInstance> instance;
    {
        auto library = std::make_shared<const PluginLibrary>(ONDULAXIS_PLUGIN_PATH);
        instance = std::make_unique<PluginInstance>(library);
    }
    EXPECT_EQ(instance->effectName(), "Ondulaxis");
}

}  // namespace
}  // namespace ondulaxis::host::test
