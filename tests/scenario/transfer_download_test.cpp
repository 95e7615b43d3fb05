// Download to the simulated module: step order and timing, version checks, entry points of
// the sequencer, the round trip from one module to another, faults and a lost link.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "core/app/AppMessages.h"
#include "core/image/FileCommands.h"
#include "core/link/LinkMessages.h"
#include "tests/scenario/transfer_rig.h"

namespace qor::test {
namespace {

// Steps the sequencer ran, the time each first ran and the time each finished.
struct StepLog {
    explicit StepLog(TransferRig& r) : rig(r) {
        auto inner = r.tool.hooks().sequencerStep;
        r.tool.hooks().sequencerStep = [this, inner] {
            auto& st = rig.st();
            const int before = st.TransferStep;
            const bool runs = st.StepDone;
            inner();
            if (!runs) return;
            const Millis now = rig.sched.now();
            if (order.empty() || order.back() != before) {
                order.push_back(before);
                firstTick[before] = now;
            }
            if (st.TransferStep != before) finished[before] = now;
        };
    }
    TransferRig& rig;
    std::vector<int> order;
    std::map<int, Millis> firstTick, finished;
};

// A random image the parameter set can hold, with random bits where it holds nothing.
Image randomModuleImage(unsigned seed, bool openLoopIdle) {
    ImageState s;
    randomizeImageState(s, seed);
    Image img = encodeImage(s);
    std::mt19937 rng(seed ^ 0x5a5a);
    const auto keep = carriedMask(openLoopIdle);
    for (std::size_t w = 0; w < img.size(); ++w) {
        const auto noise = static_cast<std::uint16_t>(rng());
        img[w] = static_cast<std::uint16_t>((img[w] & keep[w]) | (noise & ~keep[w]));
    }
    return img;
}

// Words differing in carried bits, as "word: want != got" lines.
std::string carriedDifferences(const Image& want, const Image& got, bool openLoopIdle) {
    const auto keep = carriedMask(openLoopIdle);
    std::string out;
    for (std::size_t w = 0; w < want.size(); ++w)
        if ((want[w] & keep[w]) != (got[w] & keep[w]))
            out += std::to_string(w) + ": " + std::to_string(want[w]) + " != " +
                   std::to_string(got[w]) + "\n";
    return out;
}

void uploadFromAThenPlugB(TransferRig& r) {
    ASSERT_TRUE(r.startAndUpload(120000));
    r.port.plug(1);
}

std::vector<int> pageWriteStarts(const TransferRig& r) {
    std::vector<int> out;
    for (const auto& f : r.frames('E')) out.push_back(wordAt(f, 3));
    return out;
}

TEST(TransferDownload, StepOrderAndOneTickBetweenSteps) {
    const std::vector<int> full = {-10, 30,  40,  50,  60,  70,  80,  90,  100, 110, 120,
                                   130, 140, 150, 160, 170, 171, 172, 190, 191, 200};
    auto short_ = full;
    short_.erase(short_.begin() + 16, short_.begin() + 18);
    for (bool idle : {true, false}) {
        SCOPED_TRACE(idle ? "with open-loop idle" : "without");
        TransferRig r;
        const char* version = idle ? "1EA1AB1AA" : "1EA1AA1AA";
        r.a.setVersion(version);
        r.b.setVersion(version);
        uploadFromAThenPlugB(r);
        StepLog log(r);
        if (idle) {
            r.tool.downloadClick();
        } else {
            r.tool.keyDown(Key::P, Alt);
        }
        ASSERT_TRUE(r.runUntilLive());
        EXPECT_EQ(log.order, idle ? full : short_);
        for (std::size_t i = 1; i < log.order.size(); ++i) {
            const int prev = log.order[i - 1], cur = log.order[i];
            EXPECT_EQ(log.firstTick[cur], log.finished[prev] + 50) << "step " << cur;
        }
        // Each step's first frame goes out on its first tick.
        for (const auto& w : r.portB.writes()) {
            if (w.bytes[0] != 'E') continue;
            const int start = wordAt(w.bytes, 3);
            if (start == 0) {
                EXPECT_EQ(w.at, log.firstTick[30]);
            }
            if (start == 896) {
                EXPECT_EQ(w.at, log.firstTick[191]);
            }
        }
        EXPECT_EQ(r.letters().substr(0, 2), "VG");
        EXPECT_EQ(r.letters().back(), '*');
        EXPECT_EQ(r.frames('R').size(), 1u);
        EXPECT_TRUE(r.view().openFileEnabled);
        EXPECT_FALSE(r.view().dataLockedLook);
        EXPECT_EQ(r.view().gaugeMaximum, 2050);
    }
}

TEST(TransferDownload, RoundTripCarriesEveryWordToABlankModule) {
    for (bool idle : {true, false}) {
        for (unsigned seed : {1u, 2u, 3u}) {
            SCOPED_TRACE(std::string(idle ? "idle " : "no idle ") + std::to_string(seed));
            TransferRig r;
            const char* version = idle ? "1EA1AB1AA" : "1EA1AA1AA";
            r.a.setVersion(version);
            r.b.setVersion(version);
            r.a.setImage(randomModuleImage(seed, idle));
            uploadFromAThenPlugB(r);
            r.tool.downloadClick();
            ASSERT_TRUE(r.runUntilLive());
            EXPECT_EQ(carriedDifferences(r.a.image(), r.b.image(), idle), "");
            EXPECT_TRUE(r.dialogs.shown.empty());
        }
    }
}

TEST(TransferDownload, RoundTripIsTheSameWithFaultsAtRandomPoints) {
    using K = sim::Fault::Kind;
    const K kinds[] = {K::NoReply, K::BadChecksum, K::Chunks};
    std::size_t resent = 0;
    for (unsigned seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        TransferRig r;
        r.a.setImage(randomModuleImage(seed + 100, true));
        // Up to three faults on each side: block reads on the first module, version,
        // page writes and the end request on the second.
        auto plan = [&](sim::SimModule& m, std::string letters, int maxOccurrence) {
            const int n = 1 + static_cast<int>(rng() % 3);
            for (int i = 0; i < n; ++i) {
                sim::Fault f;
                f.letter = letters[rng() % letters.size()];
                f.first = f.last = 1 + static_cast<int>(rng() % static_cast<unsigned>(
                                                            f.letter == 'E' || f.letter == 'Z'
                                                                ? maxOccurrence
                                                                : 1));
                f.kind = kinds[rng() % 3];
                f.count = 2 + static_cast<int>(rng() % 10);
                // Pieces of a short reply must all arrive within one time-out.
                f.gap = static_cast<Millis>(rng() % static_cast<unsigned>(500 / f.count));
                m.faults().add(f);
            }
        };
        plan(r.a, "ZZZS", 18);
        plan(r.b, "EEEVR", 60);
        uploadFromAThenPlugB(r);
        r.tool.downloadClick();
        ASSERT_TRUE(r.runUntilLive(120000));
        EXPECT_EQ(carriedDifferences(r.a.image(), r.b.image(), true), "");
        EXPECT_TRUE(r.st().LinkOnline);
        resent += r.portA.writtenFrames().size() + r.portB.writtenFrames().size();
        resent -= r.a.requestCount('*') + r.b.requestCount('*');  // polling varies
        resent -= 4 + 18 + 1 + 2 + 53 + 1;  // VGSa, the blocks, *; VG, the pages, R
    }
    EXPECT_GT(resent, 12u);  // the faults did cost re-sends
}

TEST(TransferDownload, SixFailuresMidDownloadGoOfflineKeepingTheAcknowledgedPages) {
    for (int silentFrom : {1, 17, 40}) {
        SCOPED_TRACE(silentFrom);
        TransferRig r;
        r.a.setImage(randomModuleImage(9, true));
        uploadFromAThenPlugB(r);
        r.b.faults().add({'E', silentFrom, silentFrom, sim::Fault::Kind::Silence, 0, 0, 0});
        r.tool.downloadClick();
        ASSERT_TRUE(r.sched.runUntil([&] { return !r.st().LinkOnline; }, 60000));
        r.sched.advance(5000);
        // The acknowledged frames and nothing else reached the module.
        Image expected{};
        const auto writes = r.frames('E');
        ASSERT_EQ(writes.size(), static_cast<std::size_t>(silentFrom + 5));
        for (int i = 0; i + 1 < silentFrom; ++i) {
            const Bytes& f = writes[static_cast<std::size_t>(i)];
            const int n = wordAt(f, 1), at = wordAt(f, 3);
            for (int k = 0; k < n / 2; ++k)
                expected[static_cast<std::size_t>(at + k)] =
                    static_cast<std::uint16_t>(wordAt(f, 5 + 2 * static_cast<std::size_t>(k)));
        }
        EXPECT_EQ(r.b.image(), expected);
        EXPECT_FALSE(r.view().dashboardOnlineLook);
        EXPECT_FALSE(r.view().progressVisible);
        EXPECT_EQ(r.view().commErrorsCaption, std::string(sim::SimPort::kDefaultDevice) + " errors:6");
        EXPECT_FALSE(r.port.isOpen());
    }
}

TEST(TransferDownload, CancelAtVersionMismatchLeavesTheModuleUntouched) {
    TransferRig r;
    r.b.setVersion("4EA1AB1AA");
    uploadFromAThenPlugB(r);
    r.dialogs.answers = {Button::Cancel};
    r.tool.downloadClick();
    r.sched.advance(3000);
    ASSERT_EQ(r.dialogs.shown.size(), 1u);
    EXPECT_EQ(r.dialogs.shown[0].text, app_msg::FileDoesNotMatch("1EA1AB1AA", "4EA1AB1AA"));
    EXPECT_EQ(r.letters(), "V");
    EXPECT_EQ(r.b.image(), Image{});
    EXPECT_TRUE(r.view().openFileEnabled && r.view().optionsEnabled);
    EXPECT_FALSE(r.view().progressVisible);
}

TEST(TransferDownload, IgnoreAtVersionMismatchWarnsAndDownloads) {
    TransferRig r;
    r.b.setVersion("4EA1AB1AA");
    r.a.setImage(randomModuleImage(4, true));
    uploadFromAThenPlugB(r);
    r.dialogs.answers = {Button::Ignore, Button::Ok};
    r.tool.downloadClick();
    ASSERT_TRUE(r.runUntilLive());
    ASSERT_EQ(r.dialogs.shown.size(), 2u);
    EXPECT_EQ(r.dialogs.shown[1].text, std::string(app_msg::kUploadAfterDownload));
    EXPECT_EQ(carriedDifferences(r.a.image(), r.b.image(), true), "");
    EXPECT_EQ(r.st().version_info, "1EA1AB1AA");
}

TEST(TransferDownload, PortThatWillNotOpenShowsOneMessageAndReturnsOffline) {
    TransferRig r;
    uploadFromAThenPlugB(r);
    r.portB.setAvailable(false);
    r.tool.downloadClick();
    r.sched.advance(2000);
    ASSERT_EQ(r.dialogs.texts(),
              std::vector<std::string>{std::string(link_msg::kPortNotAvailableDownload)});
    EXPECT_FALSE(r.st().LinkOnline);
    EXPECT_FALSE(r.view().dashboardOnlineLook);
    EXPECT_FALSE(r.view().progressVisible);
    EXPECT_TRUE(r.view().openFileEnabled && r.view().saveFileEnabled);
}

// ---------------------------------------------------------------- other entry points

struct EntryCase {
    const char* name;
    std::function<void(Transfer&)> enter;
    std::vector<int> starts;  // start words of the page writes, in order
};

std::vector<int> range(int from, int step, int count) {
    std::vector<int> v;
    for (int i = 0; i < count; ++i) v.push_back(from + step * i);
    return v;
}
std::vector<int> cat(std::initializer_list<std::vector<int>> parts) {
    std::vector<int> v;
    for (const auto& p : parts) v.insert(v.end(), p.begin(), p.end());
    return v;
}

TEST(TransferEntries, PageSendsAndChainsWriteTheirPagesThenEnd) {
    const auto tail140 = cat({{376}, range(379, 15, 4), range(439, 14, 8), {551, 566, 567, 578},
                              range(896, 16, 8)});
    const std::vector<EntryCase> cases = {
        {"hardware Send", [](Transfer& t) { t.PageSend(90); },
         cat({{329, 332, 354, 356, 358}, tail140})},
        {"RPM Send", [](Transfer& t) { t.PageSend(100); }, cat({{332, 354, 356, 358}, tail140})},
        {"ALS Send", [](Transfer& t) { t.PageSend(110); }, cat({{354, 356, 358}, tail140})},
        {"launch Send", [](Transfer& t) { t.PageSend(120); }, cat({{356, 358}, tail140})},
        {"throttle Send", [](Transfer& t) { t.PageSend(130); }, cat({{358}, tail140})},
        {"CAN Send", [](Transfer& t) { t.PageSend(140); }, tail140},
        {"ETC Send", [](Transfer& t) { t.EtcChainSend(); },
         cat({range(74, 16, 16), {35, 46, 64, 566}})},
        {"after calibration", [](Transfer& t) { t.EtcChainSend(step::EtcChainNoPedal); },
         {35, 46, 64, 566}},
        {"settings Ok", [](Transfer& t) { t.SettingsOkSend(); },
         cat({{24, 24, 35, 46, 64}, range(74, 16, 16), {329, 332, 354, 356, 358}, tail140})},
        {"predefined", [](Transfer& t) { t.PredefinedSend(); }, {35, 46}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TransferRig r;
        r.a.setImage(randomModuleImage(5, true));
        ASSERT_TRUE(r.startAndUpload());
        r.sched.advance(10);  // the first live data reply is in
        r.portA.clearWrites();
        c.enter(r.transfer);
        ASSERT_TRUE(r.runUntilLive());
        EXPECT_EQ(pageWriteStarts(r), c.starts);
        const std::string l = r.letters();
        EXPECT_EQ(l.substr(0, l.find('R') + 1), std::string(c.starts.size(), 'E') + "R");
        // The module's image is what it was: every frame carried the uploaded values.
        EXPECT_EQ(carriedDifferences(randomModuleImage(5, true), r.a.image(), true), "");
    }
}

// Entries that call their page's encoder directly must still wait for each 'Y': a module that
// answers slower than one sequencer tick sees no page write while the previous one is unanswered.
TEST(TransferEntries, DirectEntriesWaitForEachAcknowledgementOfASlowModule) {
    constexpr Millis kAnswerAfter = 120;
    const std::vector<EntryCase> cases = {
        {"hardware Send", [](Transfer& t) { t.PageSend(90); }, {}},
        {"CAN Send", [](Transfer& t) { t.PageSend(140); }, {}},
        {"predefined", [](Transfer& t) { t.PredefinedSend(); }, {}},
        {"ETC Send", [](Transfer& t) { t.EtcChainSend(); }, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TransferRig r;
        ASSERT_TRUE(r.startAndUpload());
        r.sched.advance(10);
        r.portA.setLatency(kAnswerAfter);
        r.sched.advance(2 * kAnswerAfter);  // the last fast live data exchange is over
        r.portA.clearWrites();
        c.enter(r.transfer);
        ASSERT_TRUE(r.runUntilLive(120000));
        std::vector<Millis> sent;
        for (const auto& w : r.portA.writes())
            if (!w.bytes.empty() && (w.bytes[0] == 'E' || w.bytes[0] == 'R')) sent.push_back(w.at);
        ASSERT_GE(sent.size(), 2u);
        for (std::size_t i = 1; i < sent.size(); ++i)
            EXPECT_GE(sent[i] - sent[i - 1], kAnswerAfter) << "write " << i;
        EXPECT_EQ(r.st().CommErrorCount, 0);
    }
}

// Predefined settings files, served from memory.
class MemoryFiles : public FileStore {
public:
    std::optional<Bytes> readAll(const std::string& path) override {
        const auto it = files.find(path);
        return it == files.end() ? std::nullopt : std::optional<Bytes>(it->second);
    }
    bool replaceAtomically(const std::string&, std::span<const Byte>) override { return false; }
    std::map<std::string, Bytes> files;
};

TEST(TransferEntries, PredefinedSelectionSendsTheControlLoopWordsOnly) {
    TransferRig r;
    ASSERT_TRUE(r.startAndUpload());
    r.sched.advance(10);
    r.portA.clearWrites();
    const Image before = r.a.image();
    ImageState pred;
    randomizeImageState(pred, 33);
    const Image predWords = encodeImage(pred);
    MemoryFiles files;
    files.files[PredefinedFilePath(r.st().AppDir, 2)] =
        BuildParameterFile("1EA1AB1AA", true, pred.params, pred.stores);
    PredefinedSettings settings(r.st(), r.image.ctx, r.dialogs, files,
                                [&] { r.transfer.PredefinedSend(); });
    settings.DropDown();
    ASSERT_TRUE(settings.ItemSelected(2));
    ASSERT_TRUE(r.runUntilLive());
    EXPECT_EQ(r.letters(), "EER*");
    const auto writes = r.frames('E');
    EXPECT_EQ(wordAt(writes[0], 1), 22);
    EXPECT_EQ(wordAt(writes[1], 1), 14);
    for (std::size_t w = 0; w < 1024; ++w) {
        const bool pid = w >= 35 && w <= 52;
        EXPECT_EQ(r.a.word(w), pid ? predWords[w] : before[w]) << w;
    }
}

TEST(TransferEntries, OfflinePageSendWalksTheStepsWithoutFrames) {
    TransferRig r;
    r.portA.setAvailable(false);  // no cable: the start-up identification fails
    r.tool.show();
    r.sched.advance(1000);
    ASSERT_FALSE(r.st().LinkOnline);
    r.dialogs.shown.clear();
    StepLog log(r);
    r.transfer.PageSend(90);
    r.sched.advance(3000);
    EXPECT_EQ(log.order, (std::vector<int>{90, 100, 110, 120, 130, 140, 150, 160, 170, 171, 172,
                                           190, 191, 200}));
    for (std::size_t i = 1; i < log.order.size(); ++i)
        EXPECT_EQ(log.firstTick[log.order[i]], log.finished[log.order[i - 1]] + 50);
    EXPECT_TRUE(r.portA.writes().empty());
    EXPECT_EQ(r.dialogs.texts(), std::vector<std::string>{std::string(link_msg::kSendWhileClosed)});
}

TEST(TransferEntries, OfflineEtcSendOnlyReenablesTheFileCommands) {
    TransferRig r;
    r.transfer.EtcChainSend();
    r.sched.advance(1000);
    EXPECT_TRUE(r.view().openFileEnabled);
    EXPECT_EQ(r.st().TransferStep, 0);
    EXPECT_TRUE(r.portA.writes().empty());
}

}  // namespace
}  // namespace qor::test

namespace qor::test {
namespace {

TEST(TransferDownload, NewerParameterSetAsksBeforeTheDownload) {
    for (Button answer : {Button::Cancel, Button::Ignore}) {
        SCOPED_TRACE(answer == Button::Cancel ? "Cancel" : "Ignore");
        TransferRig r;
        uploadFromAThenPlugB(r);
        r.st().version_info = "1EA2AA1AA";  // as if opened from a newer module's file
        r.dialogs.answers = {answer, Button::Cancel};
        r.tool.downloadClick();
        r.sched.advance(2000);
        ASSERT_GE(r.dialogs.shown.size(), 1u);
        EXPECT_EQ(r.dialogs.shown[0].text, std::string(app_msg::kEcuIsNewer));
        EXPECT_EQ(r.dialogs.shown[0].buttons, (std::vector<Button>{Button::Cancel, Button::Ignore}));
        // Cancel: nothing is sent. Ignore: identification, then the version comparison.
        EXPECT_EQ(r.letters(), answer == Button::Cancel ? "" : "V");
        EXPECT_EQ(r.b.image(), Image{});
    }
}

TEST(TransferDownload, EndOfDownloadClearsTheCanSettingsFlag) {
    TransferRig r;
    ASSERT_TRUE(r.startAndUpload());
    r.sched.advance(10);
    r.transfer.PageSend(140);
    EXPECT_TRUE(r.image.stores.CanSettingsTouched);
    ASSERT_TRUE(r.runUntilLive());
    EXPECT_EQ(r.a.word(565), 256);  // the module learns that the CAN page was sent
    EXPECT_FALSE(r.image.stores.CanSettingsTouched);
    EXPECT_FALSE(r.st().CanSettingsTouched);
    EXPECT_TRUE(r.view().tablesEditable);
}

TEST(TransferDownload, StepOutsideTheTableStopsTheSequencer) {
    TransferRig r;
    ASSERT_TRUE(r.startAndUpload());
    r.sched.advance(10);
    r.tool.link().StopLink();
    r.portA.clearWrites();
    r.st().TransferStep = 999;
    r.st().StepDone = true;
    r.tool.timer3().setEnabled(true);
    r.sched.advance(500);
    EXPECT_FALSE(r.tool.timer3().enabled());
    EXPECT_EQ(r.st().TransferStep, 999);
    EXPECT_TRUE(r.portA.writes().empty());
}

}  // namespace
}  // namespace qor::test
