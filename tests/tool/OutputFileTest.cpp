// Where staged output files end up, and with what mode.
#include "OutputFile.h"
#include "PluginTestSupport.h"

#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace ondulaxis::host::test {
using namespace ondulaxis::tool;
namespace {

std::string contentOf(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Where the file system has no unnamed files (NFS, some FUSE), the hidden
// temporary still gives the mode any new file gets, not mkstemp's 0600.
TEST(StagedOutputTest, NamedStagingGivesTheUsualMode) {
    TemporaryFolder folder;
    const mode_t previous = umask(022);
    {
        StagedOutput output(folder / "out.txt", StagedOutput::Staging::named);
        ASSERT_EQ(write(output.descriptor(), "text", 4), 4);
        EXPECT_EQ(folder.names().size(), 1u) << "the temporary beside it";
        output.commit();
    }
    umask(previous);
    struct stat status{};
    ASSERT_EQ(stat((folder / "out.txt").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0644u);
    EXPECT_EQ(contentOf(folder / "out.txt"), "text");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"out.txt"});
}

// A symbolic link is written through, atomically, and stays a link; a FIFO
// or a device is refused and left as it was.
TEST(StagedOutputTest, FollowsLinksAndRefusesSpecialFiles) {
    TemporaryFolder folder;
    std::ofstream(folder / "target.txt") << "old";
    std::filesystem::create_directory(folder / "sub");
    std::filesystem::create_symlink("../target.txt", folder / "sub" / "link.txt");
    writeTextFileAtomically(folder / "sub" / "link.txt", "new");
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "sub" / "link.txt"));
    EXPECT_EQ(contentOf(folder / "target.txt"), "new");

    ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0644), 0);
    for (const std::filesystem::path& special : {folder / "fifo", std::filesystem::path("/dev/null")}) {
        try {
            writeTextFileAtomically(special, "text");
            ADD_FAILURE() << special << " replaced";
        } catch (const HostError& error) {
            EXPECT_NE(std::string(error.what()).find("only a regular file is replaced"), std::string::npos)
                << error.what();
        }
        EXPECT_THROW(checkWritableDestination(special, "output"), HostError) << special;
    }
    EXPECT_TRUE(std::filesystem::is_fifo(folder / "fifo"));
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
}

}  // namespace
}  // namespace ondulaxis::host::test
