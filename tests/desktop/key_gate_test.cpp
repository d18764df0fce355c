// The desktop key gate and window title: focus, keys held across a focus change, the fullscreen
// toggle keys and the lone Alt, as the SDL2 and Win32 backends feed them.
#include <gtest/gtest.h>

#include <string.h>

#include "platform/key_gate.h"
#include "platform/keys.h"
#include "app/stage_title.h"
#include "world/level.h"

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

TEST(StageTitle, NamesTheFileUnlessItIsTheShippedStage) {
    char title[STAGE_TITLE_SIZE];
    StageTitleFor(nullptr, title);
    EXPECT_STREQ(title, "Shotgun-Kalvoro");
    StageTitleFor("tools/maptool/map.txt", title);
    EXPECT_STREQ(title, "Shotgun-Kalvoro");
    StageTitleFor("/home/me/stages/pit.txt", title);
    EXPECT_STREQ(title, "Shotgun-Kalvoro - pit.txt");
    StageTitleFor("C:\\stages\\a\tb.txt", title);
    EXPECT_STREQ(title, "Shotgun-Kalvoro - a?b.txt");
    // A long name is cut whole characters at a time (here two-byte ones).
    char name[400] = "";
    for (int i = 0; i < 150; ++i) {
        strcat(name, "\xC3\xA9");
    }
    StageTitleFor(name, title);
    const size_t length = strlen(title);
    EXPECT_LT(length, STAGE_TITLE_SIZE);
    EXPECT_EQ((length - strlen("Shotgun-Kalvoro - ")) % 2, 0u);
}

// The width of the stage the next stage start loads.
int32_t NextStageWidth() {
    static Tilemap map;
    LevelLoadTestStage(&map);
    return map.width;
}

TEST(StageTitle, AFileThatCannotBeUsedIsSaidSoAndABadDropKeepsTheStage) {
    char title[STAGE_TITLE_SIZE];
    const int32_t builtinWidth = (LevelSetStagePath(""), NextStageWidth());
    EXPECT_EQ(StageTitleUse("/nonexistent/x.txt", 0, title), 0);
    EXPECT_STREQ(title, "Shotgun-Kalvoro - x.txt not found: built-in stage");
    EXPECT_EQ(NextStageWidth(), builtinWidth);
    const char* good = "stage_title_good.txt";
    FILE* f = fopen(good, "w");
    ASSERT_NE(f, nullptr);
    fputs("S   G\n#####\n", f);
    fclose(f);
    EXPECT_EQ(StageTitleUse(good, 1, title), 1);
    EXPECT_STREQ(title, "Shotgun-Kalvoro - stage_title_good.txt");
    EXPECT_EQ(NextStageWidth(), 5);
    // Dropped: a folder, a missing file and one without tiles leave the good stage in place.
    EXPECT_EQ(StageTitleUse(".", 1, title), 0);
    EXPECT_STREQ(title, "Shotgun-Kalvoro - . not a file: stage kept");
    EXPECT_EQ(StageTitleUse("gone.txt", 1, title), 0);
    EXPECT_STREQ(title, "Shotgun-Kalvoro - gone.txt not found: stage kept");
    EXPECT_EQ(NextStageWidth(), 5);
    // However long the name, what happened still shows.
    char name[400] = "";
    for (int i = 0; i < 300; ++i) {
        strcat(name, "n");
    }
    StageTitleUse(name, 0, title);
    EXPECT_LT(strlen(title), STAGE_TITLE_SIZE);
    EXPECT_NE(strstr(title, "n not found: built-in stage"), nullptr) << title;
    StageTitleUse(nullptr, 0, title);
    EXPECT_STREQ(title, "Shotgun-Kalvoro");
    remove(good);
}

} // namespace
