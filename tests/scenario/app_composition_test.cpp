// The composed application (hub, parameter set, sequencer, file commands) against the
// simulated module: what only shows when the pieces are wired together.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/app/Application.h"
#include "core/platform/VirtualScheduler.h"
#include "sim/SimPort.h"
#include "tests/support/ImageFixtures.h"
#include "tests/support/ScriptedDialogs.h"

namespace qor {
namespace {

struct NoOpener : DocumentOpener {
    bool open(const std::string&) override { return false; }
};
struct NoPorts : PortLister {
    std::vector<std::string> availablePorts() const override { return {}; }
};
struct ChosenFile : FileDialogs {
    std::optional<std::string> path;
    std::optional<std::string> getSaveFileName(const FileDialogSpec&) override { return path; }
    std::optional<std::string> getOpenFileName(const FileDialogSpec&) override { return path; }
};

struct AppRig {
    AppRig() {
        dir = std::filesystem::temp_directory_path() / ("qor-app-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        app.tool().overridePort(sim::SimPort::kDefaultDevice);
    }
    ~AppRig() { std::filesystem::remove_all(dir); }
    bool uploaded() {
        const auto& s = app.tool().state();
        return s.UploadStep == 70 && s.PendingRequest == '*' && s.LinkOnline;
    }

    std::filesystem::path dir;
    VirtualScheduler clock;
    sim::SimModule module;
    sim::SimPort port{clock, module};
    test::ScriptedDialogs dialogs;
    NoOpener opener;
    NoPorts ports;
    ChosenFile fileDialogs;
    DiskFileStore files;
    Application app{{clock, port, dialogs, opener, ports, fileDialogs, files},
                    {"qor-etc", "-O"},
                    dir.string() + "/"};
};

// The module's own settings, as a module image built from a random valid parameter set.
void loadRandomSettings(sim::SimModule& module, test::ImageState& settings, unsigned seed) {
    test::randomizeImageState(settings, seed);
    const auto words = test::encodeImage(settings);
    std::array<std::uint16_t, sim::kImageWords> image{};
    std::copy(words.begin(), words.end(), image.begin());
    module.setImage(image);
}

TEST(AppComposition, UploadFeedsTheDashboardLabelsAndTheThrottleLimitHeaders) {
    for (unsigned seed : {3u, 11u}) {
        AppRig rig;
        test::ImageState settings;
        loadRandomSettings(rig.module, settings, seed);
        rig.app.tool().show();
        ASSERT_TRUE(rig.clock.runUntil([&] { return rig.uploaded(); }, 60000)) << seed;

        const auto& view = rig.app.tool().view();
        for (int i = 0; i < 3; ++i) {
            const auto name = "hardware_settings_digital_input_" + std::to_string(i + 1);
            const int item = static_cast<int>(settings.params.get(name));
            const auto& items = Catalogue()[static_cast<std::size_t>(ParamIndex(name))].items;
            const std::string expected =
                item == 7 ? "Resp. curve 2" : items[static_cast<std::size_t>(item)];
            EXPECT_EQ(view.dashboard.digitalInputTexts[static_cast<std::size_t>(i)], expected)
                << "input " << i + 1 << " seed " << seed;
        }
        for (int c = 0; c < 21; ++c) {
            const double rpm = settings.params.get("RPM_Range_Row" + std::to_string(c + 1));
            EXPECT_EQ(view.main.throttleLimitHeaders[static_cast<std::size_t>(c)],
                      std::to_string(static_cast<int>(rpm)))
                << "column " << c << " seed " << seed;
        }
    }
}

TEST(AppComposition, OpeningAFileLeavesTheToolOfflineWithTheAfterOpenMenu) {
    AppRig rig;
    test::ImageState settings;
    loadRandomSettings(rig.module, settings, 5);
    rig.app.tool().show();
    ASSERT_TRUE(rig.clock.runUntil([&] { return rig.uploaded(); }, 60000));

    // Save what was uploaded, then open it again while live data runs.
    rig.fileDialogs.path = (rig.dir / "saved.e00").string();
    rig.app.tool().keyDown(Key::F3, NoModifier);
    ASSERT_TRUE(std::filesystem::exists(*rig.fileDialogs.path));
    rig.clock.advance(500);
    rig.app.tool().keyDown(Key::F2, NoModifier);

    auto& tool = rig.app.tool();
    const auto& main = rig.app.tool().view().main;
    EXPECT_EQ(main.menu, MenuVariant::AfterOpenFile);
    EXPECT_FALSE(main.openFileEnabled);
    EXPECT_FALSE(main.saveFileEnabled);
    EXPECT_FALSE(rig.app.tool().view().dashboard.active);
    EXPECT_FALSE(rig.app.tool().timer1().enabled());
    EXPECT_FALSE(rig.app.tool().timer2().enabled());
    EXPECT_TRUE(tool.state().RxBuffer.empty());
    // Nothing more goes to the module until the user chooses from the menu.
    const auto before = rig.port.writes().size();
    rig.clock.advance(2000);
    EXPECT_EQ(rig.port.writes().size(), before);
    EXPECT_TRUE(rig.dialogs.shown.empty()) << rig.dialogs.shown.front().text;
}

}  // namespace
}  // namespace qor
