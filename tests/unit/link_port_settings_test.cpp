#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/link/LinkMessages.h"
#include "core/link/PortSettings.h"
#include "link_test_rig.h"

namespace qor::test {
namespace {

std::string record(const std::string& s, std::size_t len) {
    std::string r(21, '\0');
    r[0] = static_cast<char>(len);
    std::copy(s.begin(), s.end(), r.begin() + 1);
    return r;
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(LinkPortSettings, PortNameAtStartUp) {
    struct Case {
        const char* name;
        std::optional<std::string> comIni;  // nullopt: no file
        std::vector<std::string> args;      // parameters after the program name
        std::string port;
    };
    const std::string valid = record("COM3", 4) + record("Fast", 4);
    const Case cases[] = {
        {"valid file", valid, {}, "COM3"},
        {"valid file wins over a switch", valid, {"-4"}, "COM3"},
        {"no file, no parameters", std::nullopt, {}, "COM1"},
        {"no file, switch first", std::nullopt, {"-5"}, "COM5"},
        {"no file, -2 and -O", std::nullopt, {"-2", "-O"}, "COM2"},
        {"no file, later digit wins", std::nullopt, {"-7", "-2"}, "COM7"},
        {"no file, third position ignored", std::nullopt, {"-O", "x", "-3"}, "COM1"},
        {"no file, not a switch", std::nullopt, {"-0", "4"}, "COM1"},
        {"record 2 missing keeps record 1", record("COM8", 4), {}, "COM8"},
        {"record 2 missing, switch", record("COM8", 4), {"-4"}, "COM4"},
        {"short file",
         std::string("\x04"
                     "CO",
                     3),
         {"x"},
         "COM1"},
        {"twenty characters",
         record("ABCDEFGHIJKLMNOPQRST", 20) + record("Fast", 4),
         {},
         "ABCDEFGHIJKLMNOPQRST"},
        {"damaged length byte",
         record("COM9", 200) + record("Fast", 4),
         {},
         std::string("COM9") + std::string(16, '\0')},
        {"full path", record("/dev/pts/3", 10) + record("Fast", 4), {}, "/dev/pts/3"},
    };
    for (const auto& c : cases) {
        TempDir tmp;
        if (c.comIni) std::ofstream(tmp.dir() + "com.ini", std::ios::binary) << *c.comIni;
        std::vector<std::string> args{"qor-etc"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        EXPECT_EQ(ResolvePortName(tmp.dir(), args), c.port) << c.name;
    }
}

TEST(LinkPortSettings, SavedFileIsTwoRecordsOf21Bytes) {
    TempDir tmp;
    ASSERT_TRUE(WriteComIni(tmp.dir() + "com.ini", "COM12"));
    const std::string bytes = fileBytes(tmp.dir() + "com.ini");
    EXPECT_EQ(bytes, record("COM12", 5) + record("Fast", 4));
    ASSERT_TRUE(WriteComIni(tmp.dir() + "com.ini", std::string(25, 'x')));
    EXPECT_EQ(fileBytes(tmp.dir() + "com.ini"),
              record(std::string(20, 'x'), 20) + record("Fast", 4));
    EXPECT_FALSE(std::filesystem::exists(tmp.dir() + "com.ini.tmp"));
}

TEST(LinkPortSettings, FailedSaveLeavesTheOldFileIntact) {
    TempDir tmp;
    ASSERT_TRUE(WriteComIni(tmp.dir() + "com.ini", "COM3"));
    std::filesystem::create_directory(tmp.dir() +
                                      "com.ini.tmp");  // the temporary cannot be written
    EXPECT_FALSE(WriteComIni(tmp.dir() + "com.ini", "COM4"));
    EXPECT_EQ(fileBytes(tmp.dir() + "com.ini"), record("COM3", 4) + record("Fast", 4));
}

TEST(LinkPortSettings, PortPageOffersThePresentPortsAndTheCurrentOne) {
    Rig r;
    r.tool.overridePort("/dev/pts/7");
    r.tool.show();
    std::vector<bool> optionsMenu;
    r.tool.hooks().setOptionsMenuVisible = [&](bool v) { optionsMenu.push_back(v); };
    r.tool.commErrorsLabelClick();
    const auto& page = r.tool.view().portPage;
    EXPECT_TRUE(page.visible);
    EXPECT_EQ(page.ports, (std::vector<std::string>{"COM1", "COM3", "/dev/pts/7"}));
    EXPECT_EQ(page.selected, 2);
    EXPECT_TRUE(r.dialogs.shown.empty());
    r.tool.portPageSelect(1);
    r.tool.portPageSave();
    EXPECT_FALSE(page.visible);
    EXPECT_EQ(r.tool.state().PortName, "COM3");
    EXPECT_EQ(fileBytes(r.tmp.dir() + "com.ini"), record("COM3", 4) + record("Fast", 4));
    EXPECT_EQ(optionsMenu, (std::vector<bool>{false, true}));
    // The next start reads it back.
    EXPECT_EQ(ResolvePortName(r.tmp.dir(), {"qor-etc", "-5"}), "COM3");
}

TEST(LinkPortSettings, PortPageRefusals) {
    {  // nothing selected: stay on the page with the warning
        Rig r;
        r.tool.state().PortName = "";
        r.tool.communicationPortClick();
        EXPECT_EQ(r.dialogs.texts(),
                  std::vector<std::string>{std::string(link_msg::kComportEmpty)});
        EXPECT_EQ(r.tool.view().portPage.selected, -1);
        EXPECT_TRUE(r.tool.view().portPage.visible);
        r.tool.portPageSave();
        ASSERT_EQ(r.dialogs.shown.size(), 2u);
        EXPECT_EQ(r.dialogs.shown[1].text, "Do not edit\r\nuse pulldown menu !!!");
        EXPECT_EQ(r.dialogs.shown[1].kind, MessageKind::Warning);
        EXPECT_TRUE(r.tool.view().portPage.visible);
        EXPECT_FALSE(std::filesystem::exists(r.tmp.dir() + "com.ini"));
    }
    {  // write error: message, old name kept, page closed
        Rig r;
        r.tool.commErrorsLabelClick();
        r.tool.portPageSelect(1);
        std::filesystem::create_directory(r.tmp.dir() + "com.ini.tmp");
        r.tool.portPageSave();
        EXPECT_EQ(r.dialogs.texts(), std::vector<std::string>{"Write Error File: com.ini"});
        EXPECT_EQ(r.tool.state().PortName, "COM1");
        EXPECT_FALSE(r.tool.view().portPage.visible);
    }
    {  // cancel stores nothing
        Rig r;
        r.tool.commErrorsLabelClick();
        r.tool.portPageSelect(1);
        r.tool.portPageCancel();
        EXPECT_EQ(r.tool.state().PortName, "COM1");
        EXPECT_FALSE(std::filesystem::exists(r.tmp.dir() + "com.ini"));
    }
}

TEST(LinkPortSettings, OverrideWinsOverComIniAndTheNewNameIsUsedAtTheNextOpen) {
    Rig r({"qor-etc", "-O", "-4"});
    std::ofstream(r.tmp.dir() + "com.ini", std::ios::binary)
        << record("COM3", 4) + record("Fast", 4);
    r.tool.overridePort("ttyUSB0");
    r.tool.show();
    EXPECT_EQ(r.tool.state().PortName, "ttyUSB0");
    r.sched.advance(80);
    EXPECT_EQ(r.port.name(), "ttyUSB0");
}

}  // namespace
}  // namespace qor::test
