#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/diagnostics/DiagnosticsTexts.h"
#include "core/diagnostics/ErrorsView.h"

namespace qor {
namespace {

using Words = std::array<std::uint16_t, 3>;
enum Look { Hidden, Warning, Error };

// The look of every condition, for comparing whole windows at once.
std::array<Look, 24> Looks(const ErrorsView& v) {
    std::array<Look, 24> looks{};
    for (int n = 0; n < 24; ++n) {
        const auto& c = v.conditions[n];
        looks[n] = !c.shown ? Hidden : c.isError ? Error : Warning;
    }
    return looks;
}

std::array<Look, 24> Only(std::initializer_list<std::pair<int, Look>> shown) {
    std::array<Look, 24> looks{};
    for (auto [n, look] : shown) looks[n] = look;
    return looks;
}

bool Apply(ErrorsView& v, Words w) { return ApplyErrorWords(v, w[0], w[1], w[2]); }

TEST(DiagErrorsWindow, WordsMapToConditionsAndLooks) {
    struct Case {
        const char* what;
        Words words;
        bool visible;
        std::array<Look, 24> looks;
    };
    const Case cases[] = {
        {"nothing reported", {0, 0, 0}, false, {}},
        {"both bits of 00: error wins", {0x0101, 0, 0}, true, Only({{0, Error}})},
        {"warning bit of 00", {0x0100, 0, 0}, true, Only({{0, Warning}})},
        {"word 3 bit 1", {0, 0, 0x0002}, true, Only({{17, Error}})},
        {"word 2 bit 2", {0, 0x0004, 0}, true, Only({{10, Error}})},
        {"top bits of each word", {0x8000, 0x0080, 0x8080}, true,
         Only({{7, Warning}, {15, Error}, {23, Error}})},
        {"every bit", {0xFFFF, 0xFFFF, 0xFFFF}, true, [] {
             std::array<Look, 24> all;
             all.fill(Error);
             return all;
         }()},
    };
    for (const auto& c : cases) {
        ErrorsView v;
        Apply(v, c.words);
        EXPECT_EQ(v.visible, c.visible) << c.what;
        EXPECT_EQ(Looks(v), c.looks) << c.what;
    }
}

TEST(DiagErrorsWindow, IndicatorAppearanceAndTexts) {
    ErrorsView v;
    Apply(v, {0x0100, 0, 0x0002});
    EXPECT_EQ(v.conditions[0].fill, (Rgb{0xFF, 0x94, 0x28}));
    EXPECT_EQ(v.conditions[0].caption, "");
    EXPECT_EQ(v.conditions[17].fill, (Rgb{0xFF, 0x00, 0x00}));
    EXPECT_EQ(v.conditions[17].caption, "!");
    EXPECT_EQ(diagtext::kErrorConditions[17], "5V short circuit");
    EXPECT_EQ(diagtext::kErrorConditions[2], "TPS 1  0.25V below calibration value");
    EXPECT_EQ(diagtext::kErrorConditions[16], "Maximum  Intergrator  time");
    EXPECT_EQ(diagtext::kErrorsCaption.substr(0, 20), std::string(20, ' '));
    EXPECT_EQ(diagtext::kErrorsCaption.substr(20), "Errors and warnings");
}

// Frames in order, with what the window must look like after each one.
struct Step {
    enum Kind { Frame, Clear } kind;
    Words words;
    bool visible;
    std::array<Look, 24> looks;
};

void RunSteps(const char* what, const std::vector<Step>& steps) {
    ErrorsView v;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Step& s = steps[i];
        if (s.kind == Step::Clear)
            ClearErrorMessages(v);
        else
            Apply(v, s.words);
        EXPECT_EQ(v.visible, s.visible) << what << ", step " << i;
        EXPECT_EQ(Looks(v), s.looks) << what << ", step " << i;
    }
}

TEST(DiagErrorsWindow, SequencesOfFrames) {
    const auto F = Step::Frame;
    RunSteps("error later reported only as a warning turns orange",
        {{F, {0x0001, 0, 0}, true, Only({{0, Error}})},
         {F, {0x0100, 0, 0}, true, Only({{0, Warning}})}});
    RunSteps("and back to an error turns red again",
        {{F, {0x0001, 0, 0}, true, Only({{0, Error}})},
         {F, {0x0100, 0, 0}, true, Only({{0, Warning}})},
         {F, {0x0001, 0, 0}, true, Only({{0, Error}})}});
    RunSteps("conditions accumulate; none is hidden when no longer reported",
        {{F, {0x0001, 0, 0}, true, Only({{0, Error}})},
         {F, {0, 0x0200, 0}, true, Only({{0, Error}, {9, Warning}})},
         {F, {0, 0, 0}, true, Only({{0, Error}, {9, Warning}})}});
    RunSteps("clear message while still reported: the next frame brings back only current ones",
        {{F, {0x0001, 0x0004, 0}, true, Only({{0, Error}, {10, Error}})},
         {Step::Clear, {}, false, {}},
         {F, {0, 0x0004, 0}, true, Only({{10, Error}})}});
    RunSteps("clear message with the same words as before: shown again",
        {{F, {0, 0x0004, 0}, true, Only({{10, Error}})},
         {Step::Clear, {}, false, {}},
         {F, {0, 0x0004, 0}, true, Only({{10, Error}})}});
    RunSteps("clear message with nothing reported stays hidden",
        {{F, {0, 0, 0x0001}, true, Only({{16, Error}})},
         {Step::Clear, {}, false, {}},
         {F, {0, 0, 0}, false, {}}});
}

TEST(DiagErrorsWindow, IdenticalFrameChangesNothing) {
    ErrorsView v;
    EXPECT_TRUE(Apply(v, {0x0101, 0, 0}));
    // Whatever the window shows now, a repeat of the same words must leave it alone.
    v.conditions[0].fill = colors::Black;
    EXPECT_FALSE(Apply(v, {0x0101, 0, 0}));
    EXPECT_EQ(v.conditions[0].fill, colors::Black);
    EXPECT_TRUE(Apply(v, {0x0101, 0, 1}));
    EXPECT_EQ(v.conditions[0].fill, colors::ErrorRed);
}

TEST(DiagErrorsWindow, PlacedOnceAgainstTheMainWindowsRightEdge) {
    ErrorsView v;
    PlaceErrorsWindow(v, 1024);
    EXPECT_EQ(v.top, 55);
    EXPECT_EQ(v.left, 1024 - 315);
    PlaceErrorsWindow(v, 800);
    EXPECT_EQ(v.left, 1024 - 315);
    EXPECT_TRUE(ErrorsView::kStayOnTop);
    EXPECT_FALSE(ErrorsView::kBorderIcons);
}

TEST(DiagErrorsWindow, AltKeysForwardToTheMainWindowCommands) {
    std::string calls;
    ErrorsWindowCommands commands{[&] { calls += 'S'; }, [&] { calls += 'P'; },
                                  [&] { calls += 'L'; }};
    const std::tuple<Key, unsigned, bool> keys[] = {
        {Key::S, Alt, true},           {Key::P, Alt | Shift, true}, {Key::L, Alt, true},
        {Key::S, NoModifier, false},   {Key::L, Ctrl, false},       {Key::F10, Alt, false},
        {Key::F2, NoModifier, false}};
    for (const auto& [key, modifiers, handled] : keys)
        EXPECT_EQ(ErrorsWindowKeyDown(commands, key, modifiers), handled)
            << static_cast<int>(key) << " " << modifiers;
    EXPECT_EQ(calls, "SPL");
    EXPECT_TRUE(ErrorsWindowKeyDown(ErrorsWindowCommands{}, Key::S, Alt));   // unwired: no crash
}

}  // namespace
}  // namespace qor
