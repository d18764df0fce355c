// The desktop key gate: focus, keys held across a focus change, the fullscreen toggle keys, the lone
// Alt and quick taps, as the SDL2 and Win32 backends feed them.
#include <gtest/gtest.h>

#include <string.h>

#include "backends/key_gate.h"
#include "platform/keys.h"

namespace {

uint8_t gRaw[KEY_COUNT];
int TestRaw(int32_t vk) {
    return gRaw[vk];
}

class KeyGate : public ::testing::Test {
  protected:
    void SetUp() override {
        memset(gRaw, 0, sizeof(gRaw));
        KeyGateReset();
        KeyGateSetFocus(1, TestRaw);
    }
    // The backend's order: raw state changes, then its event.
    KeyGateAction Down(int32_t vk, int alt = 0) {
        gRaw[vk] = 1;
        return KeyGateOnKeyDown(vk, 0, alt);
    }
    void Up(int32_t vk) {
        gRaw[vk] = 0;
        KeyGateOnKeyUp(vk);
    }
    int Seen(int32_t vk) { return KeyGateIsDown(vk, gRaw[vk]); }
};

TEST_F(KeyGate, NothingReachesTheGameWithoutFocusAndHeldKeysWaitForRelease) {
    KeyGateSetFocus(0, nullptr);
    EXPECT_EQ(Down(KEY_R), KEY_GATE_SWALLOW);
    gRaw[KEY_LBUTTON] = 1;
    EXPECT_EQ(Seen(KEY_R), 0);
    EXPECT_EQ(Seen(KEY_LBUTTON), 0);
    // The click that brings the window to the front, and a key held from elsewhere: not presses.
    KeyGateSetFocus(1, TestRaw);
    EXPECT_EQ(Seen(KEY_LBUTTON), 0);
    EXPECT_EQ(KeyGateOnKeyDown(KEY_R, 1, 0), KEY_GATE_SWALLOW);
    EXPECT_EQ(Seen(KEY_R), 0);
    gRaw[KEY_LBUTTON] = 0;
    EXPECT_EQ(Seen(KEY_LBUTTON), 0);
    gRaw[KEY_LBUTTON] = 1;
    EXPECT_EQ(Seen(KEY_LBUTTON), 1);
    Up(KEY_R);
    EXPECT_EQ(Down(KEY_R), KEY_GATE_PASS);
    EXPECT_EQ(Seen(KEY_R), 1);
}

TEST_F(KeyGate, F11TogglesAndStaysHiddenUntilReleased) {
    EXPECT_EQ(Down(KEY_F11), KEY_GATE_TOGGLE);
    EXPECT_EQ(Seen(KEY_F11), 0);
    EXPECT_EQ(KeyGateOnKeyDown(KEY_F11, 1, 0), KEY_GATE_SWALLOW);
    Up(KEY_F11);
    EXPECT_EQ(Down(KEY_F11), KEY_GATE_TOGGLE);
    EXPECT_EQ(Down(KEY_ENTER), KEY_GATE_PASS); // Enter alone is an ordinary key
    EXPECT_EQ(Seen(KEY_ENTER), 1);
}

TEST_F(KeyGate, AltEnterTogglesAndNeitherKeyReachesTheGame) {
    EXPECT_EQ(Down(KEY_ALT), KEY_GATE_SWALLOW);
    EXPECT_EQ(Seen(KEY_ALT), 0);
    gRaw[KEY_LALT] = 1; // the Windows build's key state has the sided code too
    EXPECT_EQ(Seen(KEY_LALT), 0);
    EXPECT_EQ(Down(KEY_ENTER, 1), KEY_GATE_TOGGLE);
    EXPECT_EQ(KeyGateTakeLatePress(), 0);
    EXPECT_EQ(Seen(KEY_ALT), 0);
    EXPECT_EQ(Seen(KEY_LALT), 0);
    EXPECT_EQ(Seen(KEY_ENTER), 0);
    Up(KEY_ENTER);
    Up(KEY_ALT);
    EXPECT_EQ(KeyGateTakeLatePress(), 0);
    EXPECT_EQ(Seen(KEY_ALT), 0);
}

TEST_F(KeyGate, ALoneAltStillReachesTheGameForOneFrame) {
    Down(KEY_ALT);
    EXPECT_EQ(KeyGateOnKeyDown(KEY_ALT, 1, 1), KEY_GATE_SWALLOW);
    Up(KEY_ALT);
    EXPECT_EQ(KeyGateTakeLatePress(), KEY_ALT);
    EXPECT_EQ(Seen(KEY_ALT), 1);
    KeyGateEndFrame();
    EXPECT_EQ(Seen(KEY_ALT), 0);
    // Alt with another key is a modifier: shown from that key on.
    Down(KEY_ALT);
    EXPECT_EQ(Down(KEY_F, 1), KEY_GATE_PASS);
    EXPECT_EQ(KeyGateTakeLatePress(), KEY_ALT);
    EXPECT_EQ(Seen(KEY_ALT), 1);
    EXPECT_EQ(KeyGateOnKeyDown(KEY_ALT, 1, 1), KEY_GATE_PASS);
    // Losing the focus mid-chord forgets it.
    KeyGateSetFocus(0, nullptr);
    Up(KEY_ALT);
    EXPECT_EQ(KeyGateTakeLatePress(), 0);
}

// Ctrl read by one frame, then S typed and Ctrl let go before the next: that frame sees the chord.
TEST_F(KeyGate, AChordTypedFasterThanAFrameKeepsItsModifier) {
    Down(KEY_CONTROL);
    EXPECT_EQ(Seen(KEY_CONTROL), 1);
    KeyGateEndFrame();
    Down(KEY_S);
    Up(KEY_S);
    Up(KEY_CONTROL);
    EXPECT_EQ(Seen(KEY_S), 1);
    EXPECT_EQ(Seen(KEY_CONTROL), 1);
    KeyGateEndFrame();
    EXPECT_EQ(Seen(KEY_CONTROL), 0);
    // A key pressed after Ctrl came up is no chord.
    Down(KEY_S);
    EXPECT_EQ(Seen(KEY_CONTROL), 0);
}

TEST_F(KeyGate, AQuickTapIsSeenByExactlyOneFrame) {
    // Key and button both down and up between two frame readings.
    EXPECT_EQ(Down(KEY_SPACE), KEY_GATE_PASS);
    Up(KEY_SPACE);
    gRaw[KEY_LBUTTON] = 1;
    KeyGateOnPress(KEY_LBUTTON);
    gRaw[KEY_LBUTTON] = 0;
    EXPECT_EQ(Seen(KEY_SPACE), 1);
    EXPECT_EQ(Seen(KEY_LBUTTON), 1);
    KeyGateEndFrame();
    EXPECT_EQ(Seen(KEY_SPACE), 0);
    EXPECT_EQ(Seen(KEY_LBUTTON), 0);
    // A press still held at the reading is down while held, and no longer than that.
    KeyGateOnPress(KEY_LBUTTON);
    gRaw[KEY_LBUTTON] = 1;
    EXPECT_EQ(Seen(KEY_LBUTTON), 1);
    KeyGateEndFrame();
    EXPECT_EQ(Seen(KEY_LBUTTON), 1);
    gRaw[KEY_LBUTTON] = 0;
    EXPECT_EQ(Seen(KEY_LBUTTON), 0);
    // Held at one reading, let go and pressed again before the next (a key too, not by auto-repeat):
    // one frame shows the release, the next the new press, so it fires again. Only a release seen does.
    for (const int32_t vk : {KEY_LBUTTON, KEY_W}) {
        gRaw[vk] = 1;
        EXPECT_EQ(vk == KEY_W ? Down(vk) : (KeyGateOnPress(vk), KEY_GATE_PASS), KEY_GATE_PASS);
        EXPECT_EQ(Seen(vk), 1);
        KeyGateEndFrame();
        EXPECT_EQ(vk == KEY_W ? KeyGateOnKeyDown(vk, 1, 0) : KEY_GATE_PASS, KEY_GATE_PASS); // auto-repeat: one hold
        EXPECT_EQ(Seen(vk), 1);
        KeyGateEndFrame();
        // A second key-down with no key-up between (a system resending the key): still one hold.
        EXPECT_EQ(vk == KEY_W ? Down(vk) : (KeyGateOnPress(vk), KEY_GATE_PASS), KEY_GATE_PASS);
        EXPECT_EQ(Seen(vk), 1);
        KeyGateEndFrame();
        Up(vk); // a key's up and a button's go through the same door
        if (vk == KEY_W) {
            Down(vk);
        } else {
            KeyGateOnPress(vk);
        }
        gRaw[vk] = 0; // a quick click: up again before the frame
        EXPECT_EQ(Seen(vk), 0);
        EXPECT_EQ(Seen(vk), 0); // every reading of the frame alike
        KeyGateEndFrame();
        EXPECT_EQ(Seen(vk), 1);
        KeyGateEndFrame();
        EXPECT_EQ(Seen(vk), 0);
        KeyGateEndFrame();
    }
    // Nothing is latched without the focus, for a button held back since the focus came, or by a
    // toggle key; losing the focus drops a latched press.
    KeyGateSetFocus(0, nullptr);
    KeyGateOnPress(KEY_LBUTTON);
    EXPECT_EQ(Seen(KEY_LBUTTON), 0);
    gRaw[KEY_LBUTTON] = 1;
    KeyGateSetFocus(1, TestRaw);
    KeyGateOnPress(KEY_LBUTTON);
    gRaw[KEY_LBUTTON] = 0;
    EXPECT_EQ(Seen(KEY_LBUTTON), 0);
    EXPECT_EQ(Down(KEY_F11), KEY_GATE_TOGGLE);
    Up(KEY_F11);
    EXPECT_EQ(Seen(KEY_F11), 0);
    Down(KEY_R);
    Up(KEY_R);
    KeyGateSetFocus(0, nullptr);
    KeyGateSetFocus(1, TestRaw);
    EXPECT_EQ(Seen(KEY_R), 0);
}

} // namespace
