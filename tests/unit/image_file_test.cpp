#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>

#include "core/image/FileCommands.h"
#include "core/image/ParameterFile.h"
#include "tests/support/ImageFixtures.h"
#include "tests/support/ScriptedDialogs.h"

namespace qor {
namespace {

namespace fs = std::filesystem;
using test::ImageState;

Word record(const Bytes& file, int r) {
    return static_cast<Word>(file[static_cast<std::size_t>(2 * r)] |
                             (file[static_cast<std::size_t>(2 * r + 1)] << 8));
}

// A fresh folder per test, removed afterwards.
class TempDir {
  public:
    TempDir() {
        path_ = fs::temp_directory_path() /
                ("qor-image-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
    static inline int counter_ = 0;
};

Bytes readFile(const std::string& p) {
    return *DiskFileStore().readAll(p);
}
void writeFile(const std::string& p, const Bytes& b) {
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// ---- Format ------------------------------------------------------------------------------

TEST(ImageFile, FormatVectors) {
    ImageState s;
    s.params.setCell("PositieveSollwert", 1, -5);
    s.params.set("beginwaarde", 500);
    s.params.setCell("openloop_idle", 0, 4.5);
    const Bytes f = BuildParameterFile("1EA1AA1AA", false, s.params, s.stores);
    ASSERT_EQ(f.size(), 2062u);
    EXPECT_EQ((Bytes{f.begin(), f.begin() + 12}),
              (Bytes{0x45, 0x31, 0x31, 0x41, 0x41, 0x41, 0x41, 0x31, 0x00, 0x41, 0x00, 0x00}));
    EXPECT_EQ(ReadFileVersion(f), "1EA1AA1AA");
    EXPECT_EQ(record(f, 80), 65531);  // word 74
    EXPECT_EQ(record(f, 1030), 0);
    for (int r = 573; r <= 584; ++r) EXPECT_EQ(record(f, r), 0) << r;  // no open-loop table
    for (int r = 585; r <= 901; ++r) ASSERT_EQ(record(f, r), 0) << r;  // region 17

    const Bytes g = BuildParameterFile("1EA1AB1AA", true, s.params, s.stores);
    EXPECT_EQ(record(g, 578 + 6), 5);
    EXPECT_EQ(record(g, 567 + 6), 9 * 256);

    ImageState back;
    back.params.set("beginwaarde", 600);
    back.params.setCell("openloop_idle", 3, 7.5);
    const auto img = ParseParameterFile(f);
    ASSERT_TRUE(img.has_value());
    DecodeFileImage(*img, HasOpenLoopIdle(img->version), back.ctx);
    EXPECT_EQ(back.params.cell("PositieveSollwert", 1), -5);
    // An older module's file leaves the open-loop idle table and start value untouched.
    EXPECT_EQ(back.params.get("beginwaarde"), 600);
    EXPECT_EQ(back.params.cell("openloop_idle", 3), 7.5);
}

TEST(ImageFile, VersionRules) {
    struct Case {
        const char* v;
        bool openLoop;
        bool newer;
    };
    const Case cases[] = {{"1EA1AB1AA", true, false}, {"1EA1AC0AA", true, true},
                          {"4EA0AA0AA", true, false}, {"1EA1AA9ZZ", false, false},
                          {"1EA1AB9ZZ", true, false}, {"1EB1AA1AA", true, false},
                          {"4EA2AA1AA", true, true},  {"", false, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(HasOpenLoopIdle(c.v), c.openLoop) << c.v;
        EXPECT_EQ(EcuIsNewerThanTool(c.v, kToolVersion), c.newer) << c.v;
    }
}

TEST(ImageFile, SaveOpenSaveIsByteIdentical) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        ImageState a;
        test::randomizeImageState(a, seed);
        const std::string version = seed % 2 ? "1EA1AB1AA" : "1EA1AA1AA";
        const Bytes first =
            BuildParameterFile(version, HasOpenLoopIdle(version), a.params, a.stores);
        ImageState b;
        b.stores.CanSettingsTouched = a.stores.CanSettingsTouched;  // written, never read
        const auto img = ParseParameterFile(first);
        ASSERT_TRUE(img);
        EXPECT_EQ(img->version, version);
        DecodeFileImage(*img, HasOpenLoopIdle(img->version), b.ctx);
        EXPECT_EQ(
            BuildParameterFile(img->version, HasOpenLoopIdle(img->version), b.params, b.stores),
            first)
            << "seed " << seed;
    }
}

TEST(ImageFile, ShortFilesAreRefusedWhole) {
    EXPECT_FALSE(ParseParameterFile(Bytes(2061, 1)).has_value());
    EXPECT_FALSE(ParseParameterFile(Bytes{}).has_value());
    EXPECT_TRUE(ParseParameterFile(Bytes(2062, 0)).has_value());
    EXPECT_TRUE(ParseParameterFile(Bytes(3000, 0)).has_value());  // extra bytes ignored
}

// ---- Atomic save on disk ------------------------------------------------------------------

TEST(ImageFile, FailedSaveLeavesThePreviousFileByteIdentical) {
    TempDir dir;
    const std::string target = dir.file("engine.e00");
    const Bytes previous(2062, 0x5A);
    writeFile(target, previous);

    DiskFileStore halfWriter;
    halfWriter.writeChunk = [](std::FILE* f, std::span<const Byte> d) {
        std::fwrite(d.data(), 1, d.size() / 2, f);
        return false;  // the disk filled up half-way
    };
    EXPECT_FALSE(halfWriter.replaceAtomically(target, Bytes(2062, 1)));
    EXPECT_EQ(readFile(target), previous);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1)
        << "no temporary file left behind";

    DiskFileStore good;
    EXPECT_TRUE(good.replaceAtomically(target, Bytes(2062, 2)));
    EXPECT_EQ(readFile(target), Bytes(2062, 2));
}

TEST(ImageFile, SaveThatCannotCreateItsTemporaryFileLeavesThePreviousFile) {
    TempDir dir;
    const std::string target = dir.file("engine.e00");
    writeFile(target, Bytes(2062, 7));
    fs::create_directory(target + ".saving");  // something in the way of the temporary file
    EXPECT_FALSE(DiskFileStore().replaceAtomically(target, Bytes(2062, 1)));
    EXPECT_EQ(readFile(target), Bytes(2062, 7));
}

// Saving as a user without write permission on the folder. Under root the save runs in a
// child process that first drops to the "nobody" user, since root may write anywhere.
TEST(ImageFile, SaveIntoAReadOnlyFolderLeavesThePreviousFile) {
    TempDir dir;
    const std::string target = dir.file("engine.e00");
    writeFile(target, Bytes(2062, 7));
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec |
                                    fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
    auto save = [&] { return DiskFileStore().replaceAtomically(target, Bytes(2062, 1)); };
    if (::geteuid() != 0) {
        EXPECT_FALSE(save());
    } else {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
            ::_exit(save() ? 1 : 0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the save succeeded, 3: could not drop root";
    }
    EXPECT_EQ(readFile(target), Bytes(2062, 7));
}

// ---- Commands -----------------------------------------------------------------------------

class FakeFileDialogs : public FileDialogs {
  public:
    std::optional<std::string> answer;
    std::vector<FileDialogSpec> shown;
    std::optional<std::string> getSaveFileName(const FileDialogSpec& s) override {
        shown.push_back(s);
        return answer;
    }
    std::optional<std::string> getOpenFileName(const FileDialogSpec& s) override {
        shown.push_back(s);
        return answer;
    }
};

// An in-memory folder whose writes can be made to fail.
class MemoryFiles : public FileStore {
  public:
    std::map<std::string, Bytes> files;
    bool failWrites = false;
    std::optional<Bytes> readAll(const std::string& p) override {
        auto it = files.find(p);
        if (it == files.end()) return std::nullopt;
        return it->second;
    }
    bool replaceAtomically(const std::string& p, std::span<const Byte> d) override {
        if (failWrites) return false;
        files[p] = Bytes(d.begin(), d.end());
        return true;
    }
};

struct CommandFixture {
    ImageState image;
    ToolState state;
    test::ScriptedDialogs dialogs;
    FakeFileDialogs fileDialogs;
    MemoryFiles files;
    std::vector<std::string> calls;
    ParameterFileCommands cmd{state, image.ctx, dialogs, fileDialogs, files, hooks()};

    FileCommandHooks hooks() {
        return {[this] { calls.push_back("stopLink"); },
                [this] { calls.push_back("requestLiveData"); },
                [this] { calls.push_back("selectRegionTable:" + state.version_info); },
                [this] { calls.push_back("version:" + state.version_info); },
                [this] { calls.push_back("offline"); }};
    }
    CommandFixture() { state.AppDir = "/opt/qor/"; }
};

TEST(ImageFileCommands, SaveWritesTheChosenFileAndResumesPolling) {
    CommandFixture f;
    f.state.version_info = "1EA1AB1AA";
    f.image.params.set("P_neg", 2.5);
    f.fileDialogs.answer = "/data/a.e00";
    f.state.RxMuted = true;
    f.cmd.SaveFileClick();
    ASSERT_EQ(f.fileDialogs.shown.size(), 1u);
    EXPECT_EQ(f.fileDialogs.shown[0], (FileDialogSpec{"Save as", "E_gas(*.e00)|*e00", "e00",
                                                      "noname.e00", "/opt/qor/", true}));
    EXPECT_EQ(f.state.ParameterFileName, "/data/a.e00");
    ASSERT_EQ(f.files.files.count("/data/a.e00"), 1u);
    EXPECT_EQ(record(f.files.files["/data/a.e00"], 36 + 6), 250);
    EXPECT_FALSE(f.state.RxMuted);
    EXPECT_EQ(f.calls, (std::vector<std::string>{"stopLink", "selectRegionTable:1EA1AB1AA",
                                                 "requestLiveData"}));
    EXPECT_TRUE(f.dialogs.shown.empty());
}

TEST(ImageFileCommands, SaveCancelledOrRefusedWritesNothing) {
    struct Case {
        const char* version;
        std::optional<Button> answer;  // to the newer-module prompt
        bool failWrite;
        bool written;
        std::vector<std::string> texts;
    };
    const std::string newer = file_texts::kEcuIsNewer;
    const Case cases[] = {
        {"1EA1AC1AA", Button::Cancel, false, false, {newer}},
        {"1EA1AC1AA", Button::Ignore, false, true, {newer}},
        {"1EA1AB1AA", std::nullopt, true, false, {"Error on saving data"}},
    };
    for (const auto& c : cases) {
        CommandFixture f;
        f.state.version_info = c.version;
        f.files.files["/data/a.e00"] = Bytes{1, 2, 3};
        f.files.failWrites = c.failWrite;
        if (c.answer) f.dialogs.answers.push_back(*c.answer);
        f.fileDialogs.answer = "/data/a.e00";
        f.cmd.SaveFileClick();
        EXPECT_EQ(f.files.files["/data/a.e00"].size(), c.written ? 2062u : 3u) << c.version;
        EXPECT_EQ(f.dialogs.texts(), c.texts) << c.version;
        if (c.answer) {
            EXPECT_EQ(f.dialogs.shown[0].buttons,
                      (std::vector<Button>{Button::Cancel, Button::Ignore}));
            EXPECT_EQ(f.dialogs.shown[0].kind, MessageKind::Information);
        }
    }
    CommandFixture cancelled;
    cancelled.cmd.SaveFileClick();  // dialog cancelled
    EXPECT_TRUE(cancelled.files.files.empty());
    EXPECT_EQ(cancelled.calls, (std::vector<std::string>{"stopLink", "requestLiveData"}));
}

TEST(ImageFileCommands, OpenDecodesTheFileAndGoesOffline) {
    CommandFixture f;
    ImageState src;
    test::randomizeImageState(src, 7);
    const Bytes file = BuildParameterFile("1EA1AB1AA", true, src.params, src.stores);
    f.files.files["/data/b.e00"] = file;
    f.fileDialogs.answer = "/data/b.e00";
    f.state.RxCount = 5;
    f.state.RxBuffer = {1, 2};
    f.cmd.OpenFileClick();
    EXPECT_EQ(f.fileDialogs.shown.at(0),
              (FileDialogSpec{"Open", "E_gas (*.e00)|*.e00", "e00", "", "/opt/qor/", false}));
    EXPECT_EQ(f.state.version_info, "1EA1AB1AA");
    EXPECT_EQ(f.state.RxCount, 0);
    EXPECT_TRUE(f.state.RxBuffer.empty());
    EXPECT_EQ(f.calls, (std::vector<std::string>{"stopLink", "version:1EA1AB1AA",
                                                 "selectRegionTable:1EA1AB1AA", "offline"}));
    f.image.stores.CanSettingsTouched = src.stores.CanSettingsTouched;
    EXPECT_EQ(BuildParameterFile("1EA1AB1AA", true, f.image.params, f.image.stores), file);
}

TEST(ImageFileCommands, OpenFailuresChangeNothing) {
    for (std::size_t size : {std::size_t{0}, std::size_t{2061}}) {
        CommandFixture f;
        f.state.version_info = "1EA1AB1AA";
        ImageState src;
        test::randomizeImageState(src, 3);
        Bytes file = BuildParameterFile("4EA0AA0AA", true, src.params, src.stores);
        file.resize(size);
        if (size) f.files.files["/data/c.e00"] = file;  // size 0: the file is missing
        f.fileDialogs.answer = "/data/c.e00";
        ImageState untouched;
        f.cmd.OpenFileClick();
        EXPECT_EQ(f.dialogs.texts(), (std::vector<std::string>{"Error on reading file"}));
        EXPECT_TRUE(f.image.params.sameValues(untouched.params)) << size;
        EXPECT_EQ(f.image.stores, untouched.stores);
        EXPECT_EQ(f.state.version_info, "1EA1AB1AA");
        EXPECT_EQ(f.calls.back(), "offline");
    }
}

TEST(ImageFileCommands, OpenOfANewerModuleFile) {
    ImageState src;
    src.params.set("P_neg", 3);
    const Bytes file = BuildParameterFile("1EA1AC1AA", true, src.params, src.stores);
    for (Button answer : {Button::Ok, Button::Cancel}) {
        CommandFixture f;
        f.files.files["/data/n.e00"] = file;
        f.fileDialogs.answer = "/data/n.e00";
        f.dialogs.answers.push_back(answer);
        f.cmd.OpenFileClick();
        EXPECT_EQ(f.dialogs.texts(), (std::vector<std::string>{file_texts::kEcuIsNewer}));
        EXPECT_EQ(f.state.version_info, "1EA1AC1AA");
        // OK stops after the version text; closing the box another way loads the file.
        EXPECT_EQ(f.image.params.get("P_neg"), answer == Button::Ok ? 0 : 3);
    }
    CommandFixture cancelled;
    cancelled.cmd.OpenFileClick();
    EXPECT_EQ(cancelled.calls, (std::vector<std::string>{"stopLink", "requestLiveData"}));
}

// ---- Predefined settings ------------------------------------------------------------------

struct PredefinedFixture {
    ImageState image;
    ToolState state;
    test::ScriptedDialogs dialogs;
    MemoryFiles files;
    int sends = 0;
    PredefinedSettings pred{state, image.ctx, dialogs, files, [this] { ++sends; }};
    PredefinedFixture() { state.AppDir = "/opt/qor/"; }
};

TEST(ImagePredefined, LoadsOnlyTheControlLoopGroupFromTheChosenFile) {
    PredefinedFixture f;
    ImageState src;
    test::randomizeImageState(src, 11);
    // Another module version in the header loads all the same.
    f.files.files["/opt/qor/System/Pred03.e0i"] =
        BuildParameterFile("9XX9XX9XX", true, src.params, src.stores);
    ImageState before;
    test::randomizeImageState(before, 12);
    test::randomizeImageState(f.image, 12);

    EXPECT_FALSE(f.pred.ItemSelected(2));  // list not opened (keyboard): nothing
    EXPECT_EQ(f.sends, 0);
    f.pred.DropDown();
    EXPECT_TRUE(f.pred.ItemSelected(2));
    EXPECT_FALSE(f.state.PredefinedListOpened);
    EXPECT_EQ(f.sends, 1);
    EXPECT_EQ(f.state.SendIndex, 1);
    EXPECT_EQ(f.state.PollAction, 6);

    const int first = ParamIndex("P_versterking");
    const int last = ParamIndex("Dvtime_neg");
    ASSERT_EQ(last - first, 17);
    for (int i = 0; i < static_cast<int>(Catalogue().size()); ++i) {
        if (Catalogue()[static_cast<std::size_t>(i)].isGrid()) continue;
        const bool inGroup = i >= first && i <= last;
        EXPECT_EQ(f.image.params.get(i), (inGroup ? src : before).params.get(i))
            << Catalogue()[static_cast<std::size_t>(i)].name;
    }
}

TEST(ImagePredefined, MissingOrShortFileShowsTheReadErrorAndChangesNothing) {
    for (std::size_t size : {std::size_t{0}, std::size_t{159}}) {
        PredefinedFixture f;
        if (size) f.files.files["/opt/qor/System/Pred01.e0i"] = Bytes(size, 0x11);
        f.pred.DropDown();
        EXPECT_FALSE(f.pred.ItemSelected(0));
        EXPECT_EQ(f.dialogs.texts(), (std::vector<std::string>{"Error on reading file"}));
        EXPECT_FALSE(f.state.PredefinedListOpened);
        EXPECT_EQ(f.sends, 0);
        EXPECT_EQ(f.image.params.get("P_versterking"), 0);
    }
    // 160 bytes (records 0..79) are enough.
    PredefinedFixture f;
    f.files.files["/opt/qor/System/Pred05.e0i"] = Bytes(160, 0x01);
    f.pred.DropDown();
    EXPECT_TRUE(f.pred.ItemSelected(4));
    EXPECT_DOUBLE_EQ(f.image.params.get("P_versterking"), 2.57);
}

TEST(ImagePredefined, ASavedParameterFileWorksAsAPredefinedSetting) {
    CommandFixture saver;
    saver.state.version_info = "1EA1AB1AA";
    saver.image.params.set("Iversterking", 0.37);
    saver.image.params.set("Min_value_TPS1", 900);
    saver.fileDialogs.answer = "/opt/qor/System/Pred02.e0i";
    saver.cmd.SaveFileClick();

    PredefinedFixture f;
    f.files.files = saver.files.files;
    f.pred.DropDown();
    EXPECT_TRUE(f.pred.ItemSelected(1));
    EXPECT_DOUBLE_EQ(f.image.params.get("Iversterking"), 0.37);
    EXPECT_DOUBLE_EQ(f.image.params.get("Min_value_TPS1"), 0);  // outside the group
}

TEST(ImagePredefined, FileNames) {
    EXPECT_EQ(PredefinedFileName(0), "Pred01.e0i");
    EXPECT_EQ(PredefinedFileName(4), "Pred05.e0i");
    EXPECT_EQ(PredefinedFilePath("/opt/qor/", 2), "/opt/qor/System/Pred03.e0i");
}

// The shipped files sit in the System folder beside the program and load as predefined
// settings through the real file reader.
TEST(ImagePredefined, ShippedFilesLoad) {
    DiskFileStore disk;
    for (int i = 0; i < kPredefinedCount; ++i) {
        const auto path = PredefinedFilePath(std::string(QOR_BIN_DIR) + "/", i);
        const auto data = disk.readAll(path);
        ASSERT_TRUE(data.has_value()) << path;
        EXPECT_EQ(data->size(), 2062u) << path;
        ImageState s;
        ToolState st;
        st.AppDir = std::string(QOR_BIN_DIR) + "/";
        test::ScriptedDialogs d;
        PredefinedSettings p(st, s.ctx, d, disk, [] {});
        p.DropDown();
        EXPECT_TRUE(p.ItemSelected(i)) << path;
        EXPECT_GT(s.params.get("P_versterking"), 0) << path;
    }
}

}  // namespace
}  // namespace qor
