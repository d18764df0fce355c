// web_keys_test.cpp -- the page's KeyboardEvent.code names become the codes the game reads, and the
// down state behind a code holds while any of its keys or buttons is held.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "backends/web/web_keys.h"

class WebKeysTest : public ::testing::Test {
  protected:
    void SetUp() override {
        WebKeysOnFocus(1, -1000.0);
        WebKeysReleaseAll();
        WebKeysEndFrame();
    }
};

TEST_F(WebKeysTest, RegularRunsMapToTheirCodes) {
    for (char c = 'A'; c <= 'Z'; ++c) {
        EXPECT_EQ(WebKeyCodeToVk((std::string("Key") + c).c_str()), c) << c;
    }
    for (char d = '0'; d <= '9'; ++d) {
        EXPECT_EQ(WebKeyCodeToVk((std::string("Digit") + d).c_str()), d) << d;
        EXPECT_EQ(WebKeyCodeToVk((std::string("Numpad") + d).c_str()), 96 + (d - '0')) << d;
    }
    for (int n = 1; n <= 12; ++n) {
        EXPECT_EQ(WebKeyCodeToVk(("F" + std::to_string(n)).c_str()), 111 + n) << n;
    }
}

TEST_F(WebKeysTest, KeysTheGameReadsAndTheNamedOnes) {
    EXPECT_EQ(WebKeyCodeToVk("Escape"), 27);
    EXPECT_EQ(WebKeyCodeToVk("KeyR"), 82);
    EXPECT_EQ(WebKeyCodeToVk("KeyF"), 70);
    EXPECT_EQ(WebKeyCodeToVk("Enter"), 13);
    EXPECT_EQ(WebKeyCodeToVk("NumpadEnter"), 13);
    EXPECT_EQ(WebKeyCodeToVk("Space"), 32);
    EXPECT_EQ(WebKeyCodeToVk("ArrowLeft"), 37);
    EXPECT_EQ(WebKeyCodeToVk("ArrowUp"), 38);
    EXPECT_EQ(WebKeyCodeToVk("ArrowRight"), 39);
    EXPECT_EQ(WebKeyCodeToVk("ArrowDown"), 40);
    EXPECT_EQ(WebKeyCodeToVk("ShiftRight"), 16);
    EXPECT_EQ(WebKeyCodeToVk("OSLeft"), 91);
    EXPECT_EQ(WebKeyCodeToVk("Quote"), 222);
    EXPECT_EQ(WebKeyCodeToVk("Backquote"), 192);
}

TEST_F(WebKeysTest, NamesWithoutACodeGiveZero) {
    const char* names[] = {"",
                           "Key",
                           "Keya",
                           "KeyAB",
                           "Digit",
                           "Digit10",
                           "F0",
                           "F13",
                           "F1A",
                           "F",
                           "Numpad",
                           "NumpadX",
                           "Lang1",
                           "escape",
                           "IntlBackslash",
                           "KeyAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"};
    for (const char* name : names) {
        EXPECT_EQ(WebKeyCodeToVk(name), 0) << name;
    }
    EXPECT_EQ(WebKeyCodeToVk(nullptr), 0);
    EXPECT_EQ(WebKeysOnKey("Lang1", 1), 0);
    EXPECT_EQ(WebKeysOnKey(nullptr, 1), 0);
}

TEST_F(WebKeysTest, ACodeStaysDownWhileAnyOfItsKeysIs) {
    EXPECT_EQ(WebKeysOnKey("ShiftLeft", 1), 16);
    EXPECT_EQ(WebKeysOnKey("ShiftRight", 1), 16);
    WebKeysOnKey("ShiftLeft", 0);
    EXPECT_EQ(WebKeysIsDown(16), 1);
    WebKeysOnKey("ShiftRight", 0);
    EXPECT_EQ(WebKeysIsDown(16), 0);
    // Enter on the main block and on the keypad share a code too.
    WebKeysOnKey("NumpadEnter", 1);
    WebKeysOnKey("Enter", 1);
    WebKeysOnKey("Enter", 0);
    EXPECT_EQ(WebKeysIsDown(13), 1);
}

TEST_F(WebKeysTest, RepeatsAndStrayReleasesKeepTheStateRight) {
    WebKeysOnKey("KeyR", 1);
    WebKeysOnKey("KeyR", 1);
    EXPECT_EQ(WebKeysIsDown('R'), 1);
    WebKeysOnKey("KeyR", 0);
    EXPECT_EQ(WebKeysIsDown('R'), 0);
    // A release whose press the page never saw (it came before the page had focus).
    WebKeysOnKey("KeyW", 0);
    EXPECT_EQ(WebKeysIsDown('W'), 0);
    WebKeysOnKey("KeyW", 1);
    EXPECT_EQ(WebKeysIsDown('W'), 1);
}

TEST_F(WebKeysTest, MouseButtonsUseTheDesktopCodes) {
    WebKeysOnButton(0, 1);
    EXPECT_EQ(WebKeysIsDown(1), 1);
    EXPECT_EQ(WebKeysIsDown(2), 0);
    WebKeysOnButton(2, 1);
    WebKeysOnButton(1, 1);
    EXPECT_EQ(WebKeysIsDown(2), 1);
    EXPECT_EQ(WebKeysIsDown(4), 1);
    WebKeysOnButton(0, 0);
    EXPECT_EQ(WebKeysIsDown(1), 0);
    WebKeysOnButton(-1, 1);
    WebKeysOnButton(5, 1);
    EXPECT_EQ(WebKeysIsDown(3), 0);
    EXPECT_EQ(WebKeysIsDown(7), 0);
}

TEST_F(WebKeysTest, ButtonMaskOfAMoveCorrectsAMissedRelease) {
    WebKeysOnButton(0, 1);
    WebKeysOnButton(2, 1);
    // A move with only the right button held: the left was let go where the page could not hear it.
    WebKeysSyncButtons(2);
    EXPECT_EQ(WebKeysIsDown(1), 0);
    EXPECT_EQ(WebKeysIsDown(2), 1);
    // A mask only lets go: a button held as the pointer came in was pressed outside the page.
    WebKeysSyncButtons(1 | 4);
    EXPECT_EQ(WebKeysIsDown(1), 0);
    EXPECT_EQ(WebKeysIsDown(4), 0);
    EXPECT_EQ(WebKeysIsDown(2), 0);
}

TEST_F(WebKeysTest, ReleaseAllAndOutOfRangeCodes) {
    WebKeysOnKey("KeyA", 1);
    WebKeysOnKey("Space", 1);
    WebKeysOnButton(0, 1);
    WebKeysReleaseAll();
    EXPECT_EQ(WebKeysIsDown('A'), 0);
    EXPECT_EQ(WebKeysIsDown(32), 0);
    EXPECT_EQ(WebKeysIsDown(1), 0);
    EXPECT_EQ(WebKeysIsDown(-1), 0);
    EXPECT_EQ(WebKeysIsDown(256), 0);
}

// The messages and the full-screen flag of one key-down, as a short list: {m0, m1, fullscreen}.
static std::vector<int32_t> Down(const char* code, int repeat = 0) {
    const WebKeyDown d = WebKeysOnKeyDown(code, repeat);
    return {d.messages[0], d.messages[1], d.fullscreen};
}

TEST_F(WebKeysTest, FullScreenKeysNeverReachTheGameNorDoesTheirAlt) {
    EXPECT_EQ(Down("F11"), (std::vector<int32_t>{0, 0, 1}));
    EXPECT_EQ(Down("F11", 1), (std::vector<int32_t>{0, 0, 0}));
    EXPECT_EQ(WebKeysIsDown(122), 0);
    EXPECT_EQ(WebKeysOnKeyUp("F11"), 0);
    // Alt+Enter: neither key is ever down for the game, before, during or after.
    EXPECT_EQ(Down("AltLeft"), (std::vector<int32_t>{0, 0, 0}));
    EXPECT_EQ(Down("AltLeft", 1), (std::vector<int32_t>{0, 0, 0}));
    EXPECT_EQ(WebKeysIsDown(18), 0);
    EXPECT_EQ(Down("Enter"), (std::vector<int32_t>{0, 0, 1}));
    EXPECT_EQ(WebKeysIsDown(13), 0);
    // Enter again with Alt still held toggles back.
    WebKeysOnKeyUp("Enter");
    EXPECT_EQ(Down("NumpadEnter"), (std::vector<int32_t>{0, 0, 1}));
    WebKeysOnKeyUp("NumpadEnter");
    EXPECT_EQ(WebKeysOnKeyUp("AltLeft"), 0);
    EXPECT_EQ(WebKeysIsDown(18), 0);
    WebKeysEndFrame();
    EXPECT_EQ(WebKeysIsDown(18), 0);
    // Enter alone is a key like any other.
    EXPECT_EQ(Down("Enter"), (std::vector<int32_t>{13, 0, 0}));
    EXPECT_EQ(WebKeysIsDown(13), 1);
}

TEST_F(WebKeysTest, AnAltThatIsNoChordStillReachesTheGame) {
    // Alt then another key: Alt first, then the key.
    Down("AltRight");
    EXPECT_EQ(Down("KeyR"), (std::vector<int32_t>{18, 'R', 0}));
    EXPECT_EQ(WebKeysIsDown(18), 1);
    WebKeysOnKeyUp("AltRight");
    EXPECT_EQ(WebKeysIsDown(18), 0);
    // A lone tap, with both Alts: its press comes as the last one lifts, down until a frame has read it.
    Down("AltLeft");
    Down("AltRight");
    EXPECT_EQ(WebKeysOnKeyUp("AltLeft"), 0);
    EXPECT_EQ(WebKeysIsDown(18), 0);
    EXPECT_EQ(WebKeysOnKeyUp("AltRight"), 18);
    EXPECT_EQ(WebKeysIsDown(18), 1);
    WebKeysEndFrame();
    EXPECT_EQ(WebKeysIsDown(18), 0);
}

TEST_F(WebKeysTest, PressesFromBeforeTheFocusAndTheFocusingClickDoNotCount) {
    EXPECT_EQ(Down("KeyD", 1), (std::vector<int32_t>{0, 0, 0}));
    EXPECT_EQ(WebKeysIsDown('D'), 0);
    WebKeysHold(WEB_HOLD_PAD, 1, 1);
    WebKeysOnFocus(0, 5000.0);
    EXPECT_EQ(WebKeysIsDown(1), 0);
    WebKeysOnFocus(1, 6000.0);
    WebKeysOnButtonDown(0, 6099.0);
    EXPECT_EQ(WebKeysIsDown(1), 0);
    EXPECT_EQ(WebKeysPressCounts(6100.0), 1);
}

TEST_F(WebKeysTest, AHoldLetGoBeforeAFrameLastsThatFrame) {
    WebKeysHold(WEB_HOLD_TOUCH, 1, 1);
    WebKeysHold(WEB_HOLD_TOUCH, 1, 0);
    WebKeysHold(WEB_HOLD_BUTTONS, 'R', 1);
    EXPECT_EQ(WebKeysIsDown(1), 1);
    WebKeysEndFrame();
    EXPECT_EQ(WebKeysIsDown(1), 0);
    EXPECT_EQ(WebKeysIsDown('R'), 1);
    WebKeysHold(WEB_HOLD_BUTTONS, 'R', 0);
    EXPECT_EQ(WebKeysIsDown('R'), 0);
    WebKeysHold(WEB_HOLDS, 1, 1);
    WebKeysHold(0, 256, 1);
    EXPECT_EQ(WebKeysIsDown(1), 0);
}

TEST_F(WebKeysTest, AClickOrKeyLetGoBeforeAFrameIsSeenByThatFrameOnly) {
    WebKeysOnButtonDown(0, 9000.0);
    WebKeysOnButton(0, 0);
    WebKeysOnKeyDown("KeyR", 0);
    WebKeysOnKeyUp("KeyR");
    EXPECT_EQ(WebKeysIsDown(1), 1);
    EXPECT_EQ(WebKeysIsDown('R'), 1);
    WebKeysEndFrame();
    EXPECT_EQ(WebKeysIsDown(1), 0);
    EXPECT_EQ(WebKeysIsDown('R'), 0);
}
