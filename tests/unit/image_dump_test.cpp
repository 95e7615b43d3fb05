#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/image/ImageDump.h"
#include "core/image/ParameterFile.h"
#include "tests/support/ImageFixtures.h"

namespace qor {
namespace {

namespace fs = std::filesystem;

class ImageDumpFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("qor-dump-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string write(const std::string& name, const Bytes& b) {
        const auto p = (dir_ / name).string();
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
        return p;
    }
    Bytes fileWith(double pNeg, double pedal1) {
        test::ImageState s;
        s.params.set("P_neg", pNeg);
        s.params.setCell("PositieveSollwert", 1, pedal1);
        s.params.set("DLC_3", 2);
        return BuildParameterFile("1EA1AB1AA", true, s.params, s.stores);
    }
    fs::path dir_;
};

std::vector<std::string> lines(const std::string& s) {
    std::vector<std::string> v;
    std::size_t a = 0, b;
    while ((b = s.find('\n', a)) != std::string::npos) {
        v.push_back(s.substr(a, b - a));
        a = b + 1;
    }
    return v;
}

bool has(const std::vector<std::string>& v, const std::string& line) {
    return std::find(v.begin(), v.end(), line) != v.end();
}

TEST_F(ImageDumpFiles, ListsEveryParameterAndGridCell) {
    const auto a = write("a.e00", fileWith(1.25, -5));
    std::string out, err;
    ASSERT_EQ(RunDumpTool({a}, out, err), 0);
    const auto l = lines(out);
    EXPECT_TRUE(has(l, "version = 1EA1AB1AA"));
    EXPECT_TRUE(has(l, "P_neg = 1.25"));
    EXPECT_TRUE(has(l, "PositieveSollwert[1] = -5"));
    EXPECT_TRUE(has(l, "PositieveSollwert[255] = 0"));
    EXPECT_TRUE(has(l, "DLC_3 = 2 \"3\""));
    EXPECT_TRUE(has(l, "Factor_18 = -999.999"));
    EXPECT_TRUE(has(l, "SystemArea[127] = 0"));
    for (const auto& d : Catalogue()) {
        const std::string first =
            d.isGrid() ? d.name + "[" + std::to_string(d.firstColumn) + "]" : d.name;
        EXPECT_TRUE(std::any_of(l.begin(), l.end(), [&](const std::string& s) {
            return s.rfind(first + " = ", 0) == 0;
        })) << first;
    }

    ASSERT_EQ(RunDumpTool({"--json", a}, out, err), 0);
    EXPECT_EQ(out.front(), '{');
    EXPECT_NE(out.find("  \"PositieveSollwert[1]\": -5,\n"), std::string::npos);
    EXPECT_NE(out.find("  \"version\": \"1EA1AB1AA\",\n"), std::string::npos);
    EXPECT_EQ(out.substr(out.size() - 3), "\n}\n");
}

TEST_F(ImageDumpFiles, DiffListsOnlyDifferencesAndExitsOneWhenTheyDiffer) {
    const auto a = write("a.e00", fileWith(1.25, -5));
    const auto b = write("b.e00", fileWith(1.5, -5));
    const auto c = write("c.e00", fileWith(1.25, -5));
    std::string out, err;
    EXPECT_EQ(RunDumpTool({"--diff", a, b}, out, err), 1);
    EXPECT_EQ(out, "P_neg = 1.25 | 1.5\n");
    EXPECT_EQ(RunDumpTool({"--json", "--diff", a, b}, out, err), 1);
    EXPECT_EQ(out, "{\n  \"P_neg\": [1.25, 1.5]\n}\n");
    EXPECT_EQ(RunDumpTool({"--diff", a, c}, out, err), 0);
    EXPECT_EQ(out, "");
}

TEST_F(ImageDumpFiles, RefusesDamagedFilesWithOneLineAndExitTwo) {
    Bytes shortFile = fileWith(1, 1);
    shortFile.resize(2061);
    const auto s = write("short.e00", shortFile);
    const auto good = write("good.e00", fileWith(1, 1));
    struct Case {
        std::vector<std::string> args;
        std::string errStart;
    };
    const Case cases[] = {
        {{s}, "qor-etc-dump: " + s + ": damaged parameter file: 2061 bytes"},
        {{"--diff", good, s}, "qor-etc-dump: " + s + ": damaged"},
        {{(dir_ / "missing.e00").string()},
         "qor-etc-dump: " + (dir_ / "missing.e00").string() + ": cannot read"},
        {{}, "usage:"},
        {{"--diff", good}, "usage:"},
    };
    for (const auto& c : cases) {
        std::string out, err;
        EXPECT_EQ(RunDumpTool(c.args, out, err), 2) << c.errStart;
        EXPECT_EQ(err.rfind(c.errStart, 0), 0u) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_EQ(out, "");
    }
}

// The installed program gives the same exit codes.
TEST_F(ImageDumpFiles, ProgramExitCodes) {
    const auto a = write("a.e00", fileWith(1.25, -5));
    const auto b = write("b.e00", fileWith(1.5, -5));
    Bytes shortFile(100, 0);
    const auto s = write("s.e00", shortFile);
    const std::string exe = std::string(QOR_BIN_DIR) + "/qor-etc-dump";
    auto run = [&](const std::string& args) {
        const int rc = std::system((exe + " " + args + " >/dev/null 2>&1").c_str());
        return WEXITSTATUS(rc);
    };
    EXPECT_EQ(run(a), 0);
    EXPECT_EQ(run("--diff " + a + " " + b), 1);
    EXPECT_EQ(run(s), 2);
}

}  // namespace
}  // namespace qor
