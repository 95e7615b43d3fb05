// qor-etc-cli against qor-etc-sim on pseudo-terminals, in real time: a round trip from one
// module to another through a parameter file, and the exit codes scripts rely on.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/image/ParameterFile.h"
#include "sim/SimProcess.h"
#include "tests/scenario/transfer_rig.h"


namespace qor::test {
namespace {

const std::string kBin = QOR_BIN_DIR;

struct SimProcess : sim::SimProcess {
    explicit SimProcess(const std::vector<std::string>& args)
        : sim::SimProcess(kBin + "/qor-etc-sim", args) {}
};

int cli(const std::string& args) {
    const int status = std::system((kBin + "/qor-etc-cli " + args + " 2>/dev/null >/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

Image fileImage(const std::string& path) {
    DiskFileStore disk;
    const auto bytes = disk.readAll(path);
    const auto f = bytes ? ParseParameterFile(*bytes) : std::nullopt;
    Image img{};
    if (f) std::copy(f->words.begin(), f->words.end(), img.begin());
    return img;
}

TEST(TransferCli, RoundTripThroughAFileAndExitCodes) {
    for (const char* program : {"qor-etc-cli", "qor-etc-sim"})
        if (!std::filesystem::exists(kBin + "/" + program)) GTEST_SKIP() << program << " not built";
    TempDir dir;
    const std::string source = dir.dir() + "source.e00", up = dir.dir() + "up.e00",
                      back = dir.dir() + "back.e00", csv = dir.dir() + "live.csv";
    ImageState s;
    randomizeImageState(s, 21);
    DiskFileStore disk;
    ASSERT_TRUE(disk.replaceAtomically(source, BuildParameterFile("1EA1AB1AA", true, s.params, s.stores)));

    SimProcess a({"--image", source});
    SimProcess b({"--version", "4EA1AB1AA"});
    ASSERT_FALSE(a.device().empty());
    ASSERT_FALSE(b.device().empty());

    ASSERT_EQ(cli("upload --port " + a.device() + " -o " + up), 0);
    EXPECT_EQ(fileImage(up), fileImage(source));
    EXPECT_EQ(cli("download --port " + b.device() + " " + up), 4);  // versions differ
    ASSERT_EQ(cli("download --port " + b.device() + " --ignore-version " + up), 0);
    ASSERT_EQ(cli("upload --port " + b.device() + " -o " + back), 0);
    const Image want = fileImage(up), got = fileImage(back);
    const auto keep = carriedMask(true);
    for (std::size_t w = 0; w < want.size(); ++w) EXPECT_EQ(want[w] & keep[w], got[w] & keep[w]) << w;

    EXPECT_EQ(cli("live --port " + a.device() + " --seconds 1 --csv " + csv), 0);
    std::ifstream in(csv);
    std::string header, row;
    std::getline(in, header);
    EXPECT_EQ(header.rfind("ms,enginespeed,", 0), 0u);
    EXPECT_TRUE(std::getline(in, row));

    EXPECT_EQ(cli("upload --port " + dir.dir() + "no-such-port -o " + up), 2);
    EXPECT_EQ(cli("download --port " + a.device() + " " + dir.dir() + "missing.e00"), 5);
    EXPECT_EQ(cli("upload -o " + up), 1);
}

}  // namespace
}  // namespace qor::test
