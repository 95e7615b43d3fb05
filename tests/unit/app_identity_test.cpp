#include <gtest/gtest.h>

#include <fstream>

#include "core/app/AppMessages.h"
#include "core/app/Identity.h"
#include "link_test_rig.h"

namespace qor::test {
namespace {

TEST(AppIdentity, VersionRules) {
    struct Case {
        const char* version;
        bool atLeastOpenLoopIdle, newer, supported, unsupportedEtc;
    };
    const Case cases[] = {
        {"1EA1AB1AA", true, false, true, false},  {"1EA1AC0AA", true, true, true, false},
        {"4EA0AA0AA", true, false, true, false},  {"1EA1AA9ZZ", false, false, true, false},
        {"1EA1AB9ZZ", true, false, true, false},  {"1EA1AC1AA", true, true, true, false},
        {"1EB1AA1AA", true, false, false, true},  // group 1 above, group 2 not: not newer
        {"4EA2AA1AA", true, true, true, false},   {"2EA1AB1AA", true, false, false, true},
        {"1IA1AB1AA", true, false, false, false},  // byte-wise: 'I' is above 'E'
        {"0EA9ZZ9ZZ", false, false, false, true},  // group 1 below: never newer
        {"", false, false, false, false},          // nothing received: compares lowest
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        EXPECT_EQ(VersionAtLeast(c.version, kOpenLoopIdleVersion), c.atLeastOpenLoopIdle);
        EXPECT_EQ(EcuIsNewer(c.version, kToolVersion), c.newer);
        EXPECT_EQ(IsSupportedVersion(c.version), c.supported);
        EXPECT_EQ(IsUnsupportedEtcVersion(c.version), c.unsupportedEtc);
    }
    EXPECT_TRUE(VersionAtLeast("1EA1AB1AA", "1EA1AB1AA"));  // equal to the end
    EXPECT_EQ(kToolVersion, "1EA1AB1AA");
}

TEST(AppIdentity, SelectRegionTableInstallsOrWarns) {
    struct Case {
        const char* version;
        bool installs;
        std::string warning;  // empty: none
    };
    const Case cases[] = {
        {"1EA1AB1AA", true, ""},
        {"4EA0AA0AA", true, ""},
        {"2EA1AB1AA", false,
         "This Version nr : 2EA1AB1AAWith Serialnumber : 654321\r\r\nis not supported by this "
         "software \r\r\nCall your Software supplier for information !!!"},
        {"1IA1AB1AA", false,
         "This software is for ETC systems only\r\r\nCall your Software supplier for the Ignition "
         "version !!!"},
        {"1FA1AB1AA", false,
         "This software is for ETC systems only\r\r\nCall your Software supplier for the Fuel "
         "injection version !!!"},
        {"1MA1AB1AA", false,
         "This software is for ETC systems only\r\r\nCall your Software supplier for the "
         "Motormanagement version !!!"},
        {"1XA1AB1AA", false,
         "This software is for ETC systems only\r\r\nCall your Software supplier for the correct "
         "version !!!"},
    };
    for (const auto& c : cases) {
        Rig r;
        r.tool.state().version_info = c.version;
        r.tool.state().Serial_number = "654321";
        r.tool.view().main.progressVisible = true;
        r.tool.SelectRegionTable();
        EXPECT_EQ(r.tool.state().RegionTable.has_value(), c.installs) << c.version;
        if (c.installs) {
            EXPECT_EQ(*r.tool.state().RegionTable, kSupportedRegionTable);
        }
        if (c.warning.empty()) {
            EXPECT_TRUE(r.dialogs.shown.empty()) << c.version;
            EXPECT_TRUE(r.tool.view().main.progressVisible);
        } else {
            ASSERT_EQ(r.dialogs.shown.size(), 1u) << c.version;
            EXPECT_EQ(r.dialogs.shown[0].text, c.warning);
            EXPECT_EQ(r.dialogs.shown[0].kind, MessageKind::Warning);
            EXPECT_FALSE(r.tool.view().main.progressVisible);
            EXPECT_TRUE(r.tool.state().RxMuted);  // the link was stopped
        }
    }
}

TEST(AppIdentity, UnsupportedVersionKeepsAnEarlierRegionTable) {
    Rig r;
    r.tool.state().version_info = "1EA1AB1AA";
    r.tool.SelectRegionTable();
    r.tool.state().version_info = "1IA1AB1AA";
    r.tool.SelectRegionTable();
    EXPECT_EQ(r.tool.state().RegionTable, kSupportedRegionTable);
}

TEST(AppIdentity, DownloadVersionChecks) {
    struct Case {
        const char* name;
        const char* fileVersion;
        const char* moduleVersion;
        std::vector<Button> answers;
        bool goesOn;
        std::vector<std::string> texts;
    };
    const std::string mismatch =
        "The file does not match the current system!!!\r\r\nFile version nr  : 1EA1AB1AA\r\r\n"
        "System version nr: 4EA1AB1AA";
    const Case cases[] = {
        {"same version", "1EA1AB1AA", "1EA1AB1AA", {}, true, {}},
        {"other version, Ignore",
         "1EA1AB1AA",
         "4EA1AB1AA",
         {Button::Ignore},
         true,
         {mismatch, std::string(app_msg::kUploadAfterDownload)}},
        {"other version, Cancel", "1EA1AB1AA", "4EA1AB1AA", {Button::Cancel}, false, {mismatch}},
        {"unsupported ETC",
         "1EA1AB1AA",
         "2EA1AB1AA",
         {},
         false,
         {"This Version nr : 2EA1AB1AA\r\r\nis not supported by this software \r\r\nCall your "
          "Software supplier for information !!!"}},
        {"ignition",
         "1EA1AB1AA",
         "1IA1AB1AA",
         {},
         false,
         {"This software is for E-Gas management systems only\r\r\nCall your Software supplier "
          "for the Ignition version !!!"}},
        {"fuel",
         "1EA1AB1AA",
         "1FA1AB1AA",
         {},
         false,
         {"This software is for E-Gas management systems only\r\r\nCall your Software supplier "
          "for the Fuel version !!!"}},
        {"engine management has no word here",
         "1EA1AB1AA",
         "1MA1AB1AA",
         {},
         false,
         {"This software is for E-Gas management systems only\r\r\nCall your Software supplier "
          "for the correct version !!!"}},
    };
    for (const auto& c : cases) {
        Rig r;
        r.tool.state().version_info = c.fileVersion;
        r.dialogs.answers.assign(c.answers.begin(), c.answers.end());
        EXPECT_EQ(r.tool.DownloadVersionChecks(c.moduleVersion), c.goesOn) << c.name;
        EXPECT_EQ(r.dialogs.texts(), c.texts) << c.name;
        EXPECT_EQ(r.tool.state().version_info, c.fileVersion) << "never changed by a download";
    }
    Rig r;  // the mismatch box offers Cancel and Ignore; Cancel re-enables the file commands
    r.tool.state().version_info = "1EA1AB1AA";
    r.dialogs.answers = {Button::Cancel};
    r.tool.DownloadVersionChecks("4EA1AB1AA");
    EXPECT_EQ(r.dialogs.shown[0].buttons, (std::vector<Button>{Button::Cancel, Button::Ignore}));
    EXPECT_TRUE(r.tool.view().main.openFileEnabled);
    EXPECT_TRUE(r.tool.state().RxMuted);
}

TEST(AppIdentity, DownloadIdentificationGoesOnOnlyWhenTheChecksAgree) {
    for (bool agree : {true, false}) {
        Rig r;
        r.tool.state().version_info = "1EA1AB1AA";
        r.dialogs.answers = {Button::Cancel};
        r.tool.link().RequestVersionForDownload();
        r.port.deliver(reply('V', agree ? "1EA1AB1AA" : "4EA1AB1AA"));
        EXPECT_EQ(r.port.letters(), agree ? "VG" : "V");
        EXPECT_EQ(r.tool.state().TransferStep, agree ? -10 : 0);
        EXPECT_EQ(r.tool.timer3().enabled(), agree);
    }
}

TEST(AppIdentity, ManualFollowsLanguageIni) {
    struct Case {
        std::optional<std::string> fileBytes;  // nullopt: no file
        std::string manual;
        std::vector<std::string> texts;
    };
    const std::string le1("\x01\x00\x00\x00", 4), le2("\x02\x00\x00\x00", 4),
        le3("\x03\x00\x00\x00\x07\x00\x00\x00", 8), neg("\xFF\xFF\xFF\xFF", 4);
    const Case cases[] = {
        {le1, "QOR ETC Manual V1.03.pdf", {}},
        {le2, "QOR ETC Manual V1.3.pdf", {}},
        {le3, "QOR ETC Handleiding V1.03.pdf", {}},
        {neg, "QOR ETC Manual V1.3.pdf", {}},
        {std::string("\x03\x00", 2), "QOR ETC Manual V1.03.pdf", {"Can't find: Language.ini"}},
        {std::nullopt, "QOR ETC Manual V1.03.pdf", {"Can't find: Language.ini"}},
    };
    for (const auto& c : cases) {
        Rig r;
        if (c.fileBytes)
            std::ofstream(r.tmp.dir() + "Language.ini", std::ios::binary) << *c.fileBytes;
        r.tool.SelectManual();
        EXPECT_EQ(r.tool.state().ManualFileName, c.manual);
        EXPECT_EQ(r.dialogs.texts(), c.texts);
    }
}

TEST(AppIdentity, HelpOpensTheManualOrNamesTheMissingFile) {
    for (bool exists : {true, false}) {
        Rig r;
        std::ofstream(r.tmp.dir() + "Language.ini", std::ios::binary)
            << std::string("\x03\0\0\0", 4);
        r.opener.exists = exists;
        EXPECT_TRUE(r.tool.keyDown(Key::F1, NoModifier));
        EXPECT_EQ(r.opener.opened,
                  std::vector<std::string>{r.tmp.dir() + "QOR ETC Handleiding V1.03.pdf"});
        if (exists) {
            EXPECT_TRUE(r.dialogs.shown.empty());
        } else {
            EXPECT_EQ(r.dialogs.texts(),
                      std::vector<std::string>{"Can't find:  QOR ETC Handleiding V1.03.pdf"});
        }
    }
}

}  // namespace
}  // namespace qor::test
