// input_test.cpp -- key and button snapshots with their press edges, out-of-range codes, and the
// cursor's logical and world position, driven through the headless backend.
#include <gtest/gtest.h>

#include <string.h>

#include "input/input.h"
#include "backends/headless/headless.h"
#include "render/render.h"

namespace {

const int32_t KEY_R = 82;
const int32_t KEY_ESCAPE = 27;
const int32_t LEFT_BUTTON = 1;

// A 1280 x 720 window (scale 3, picture at 160, 60), nothing held, and two snapshots so no edge
// is left over from an earlier test.
class InputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        mWindow = HeadlessOpenWindow(1280, 720);
        UpdateDisplayLayout(mWindow);
        InputInit();
        InputSetCamera(0.0f, 0.0f);
        InputUpdate(mWindow);
        InputUpdate(mWindow);
    }
    void Frame() { InputUpdate(mWindow); }
    PlatformWindow* mWindow = nullptr;
};

TEST_F(InputTest, HeldKeyIsPressedInItsFirstFrameOnly) {
    HeadlessSetKeyDown(KEY_R, 1);
    Frame();
    EXPECT_EQ(InputIsKeyDown(KEY_R), 1);
    EXPECT_EQ(InputWasKeyPressed(KEY_R), 1);
    EXPECT_EQ(InputWasKeyPressed(KEY_R), 1); // queries between snapshots agree
    for (int i = 0; i < 5; ++i) {
        Frame();
        EXPECT_EQ(InputIsKeyDown(KEY_R), 1);
        EXPECT_EQ(InputWasKeyPressed(KEY_R), 0);
    }
    HeadlessSetKeyDown(KEY_R, 0);
    Frame();
    EXPECT_EQ(InputIsKeyDown(KEY_R), 0);
    EXPECT_EQ(InputWasKeyPressed(KEY_R), 0);
    HeadlessSetKeyDown(KEY_R, 1);
    Frame();
    EXPECT_EQ(InputWasKeyPressed(KEY_R), 1);
    HeadlessSetKeyDown(KEY_R, 0);
}

TEST_F(InputTest, TapBetweenSnapshotsIsNeverSeen) {
    HeadlessSetKeyDown(KEY_ESCAPE, 1);
    HeadlessSetKeyDown(KEY_ESCAPE, 0);
    Frame();
    EXPECT_EQ(InputIsKeyDown(KEY_ESCAPE), 0);
    EXPECT_EQ(InputWasKeyPressed(KEY_ESCAPE), 0);
}

TEST_F(InputTest, EveryCodeIsSampledAndOutOfRangeCodesAnswerZero) {
    HeadlessSetKeyDown(0, 1);
    HeadlessSetKeyDown(255, 1);
    Frame();
    EXPECT_EQ(InputWasKeyPressed(0), 1);
    EXPECT_EQ(InputWasKeyPressed(255), 1);
    for (int32_t code : {-1, 256, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(InputIsKeyDown(code), 0) << code;
        EXPECT_EQ(InputWasKeyPressed(code), 0) << code;
    }
    HeadlessSetKeyDown(0, 0);
    HeadlessSetKeyDown(255, 0);
    Frame();
    // A negative code must not wrap onto 255 (or anything else).
    InputOnKeyDown(-1);
    InputOnKeyDown(256);
    InputOnKeyDown(INT32_MIN);
    for (int32_t code = 0; code < 256; ++code) {
        ASSERT_EQ(InputIsKeyDown(code), 0) << code;
    }
}

TEST_F(InputTest, KeyDownMessageCountsUntilTheNextSnapshot) {
    InputOnKeyDown(KEY_ESCAPE);
    EXPECT_EQ(InputIsKeyDown(KEY_ESCAPE), 1);
    EXPECT_EQ(InputWasKeyPressed(KEY_ESCAPE), 1);
    Frame(); // the platform says it is up
    EXPECT_EQ(InputIsKeyDown(KEY_ESCAPE), 0);
    EXPECT_EQ(InputWasKeyPressed(KEY_ESCAPE), 0);
}

TEST_F(InputTest, InitClearsKeysButNotTheButton) {
    HeadlessSetKeyDown(KEY_R, 1);
    HeadlessSetKeyDown(LEFT_BUTTON, 1);
    Frame();
    InputInit();
    EXPECT_EQ(InputIsKeyDown(KEY_R), 0);
    EXPECT_EQ(InputIsKeyDown(LEFT_BUTTON), 0);
    EXPECT_EQ(InputIsMouseLeftDown(), 1);
    // Still held at the next snapshot: with the history cleared, that counts as a press again.
    Frame();
    EXPECT_EQ(InputWasKeyPressed(KEY_R), 1);
    EXPECT_EQ(InputWasMouseLeftPressed(), 0);
    HeadlessSetKeyDown(KEY_R, 0);
    HeadlessSetKeyDown(LEFT_BUTTON, 0);
}

TEST_F(InputTest, LeftButtonEdgesLastOneFrame) {
    HeadlessSetKeyDown(LEFT_BUTTON, 1);
    Frame();
    EXPECT_EQ(InputIsMouseLeftDown(), 1);
    EXPECT_EQ(InputWasMouseLeftPressed(), 1);
    EXPECT_EQ(InputWasMouseLeftReleased(), 0);
    EXPECT_EQ(InputIsKeyDown(LEFT_BUTTON), 1); // also seen as key code 1
    EXPECT_EQ(InputWasKeyPressed(LEFT_BUTTON), 1);
    Frame();
    EXPECT_EQ(InputWasMouseLeftPressed(), 0);
    HeadlessSetKeyDown(LEFT_BUTTON, 0);
    Frame();
    EXPECT_EQ(InputIsMouseLeftDown(), 0);
    EXPECT_EQ(InputWasMouseLeftReleased(), 1);
    Frame();
    EXPECT_EQ(InputWasMouseLeftReleased(), 0);
}

TEST_F(InputTest, CursorMapsThroughTheLayoutAndClampsToTheScreen) {
    const int32_t cases[][4] = {
        {163, 63, 1, 1},    {160, 60, 0, 0},       {1119, 659, 319, 199}, {10, 300, 0, 80},
        {640, -50, 160, 0}, {5000, 360, 319, 100}, {640, 9000, 160, 199},
    };
    for (auto& c : cases) {
        HeadlessSetCursor(c[0], c[1]);
        Frame();
        EXPECT_EQ(InputGetMouseLogicalX(), c[2]) << c[0] << "," << c[1];
        EXPECT_EQ(InputGetMouseLogicalY(), c[3]) << c[0] << "," << c[1];
    }
}

TEST_F(InputTest, UnreadableCursorKeepsTheLastPositionAndMoveMessagesCount) {
    HeadlessSetCursor(460, 360); // logical (100, 100)
    Frame();
    HeadlessSetCursorAvailable(0);
    HeadlessSetCursor(1000, 600);
    Frame();
    EXPECT_EQ(InputGetMouseLogicalX(), 100);
    EXPECT_EQ(InputGetMouseLogicalY(), 100);
    InputOnMouseMove(163, 63);
    Frame();
    EXPECT_EQ(InputGetMouseLogicalX(), 1);
    EXPECT_EQ(InputGetMouseLogicalY(), 1);
    HeadlessSetCursorAvailable(1);
    Frame(); // the snapshot reads the cursor again and wins over the message
    EXPECT_EQ(InputGetMouseLogicalX(), 280);
    EXPECT_EQ(InputGetMouseLogicalY(), 180);
    InputOnMouseButton(0, 0); // does nothing
    EXPECT_EQ(InputGetMouseLogicalX(), 280);
}

TEST_F(InputTest, WorldPositionIsLogicalPlusTheCamera) {
    HeadlessSetCursor(460, 363); // logical (100, 101)
    Frame();
    EXPECT_EQ(InputGetMouseWorldX(), 100.0f);
    EXPECT_EQ(InputGetMouseWorldY(), 101.0f);
    InputSetCamera(28.8f, 15.2f);
    EXPECT_EQ(InputGetMouseWorldX(), 100.0f + 28.8f);
    EXPECT_EQ(InputGetMouseWorldY(), 101.0f + 15.2f);
    Frame(); // the camera stays across snapshots
    EXPECT_EQ(InputGetMouseWorldX(), 100.0f + 28.8f);
}

} // namespace

namespace {

// A frame given by the game itself (searches, playback) leaves exactly the snapshot a 320 x 200
// client with the same cursor, button and key would: clamped cursor, edges, every other key up.
TEST(InputFrameTest, AGivenFrameIsTheSnapshotOfTheSameInputFromTheClient) {
    PlatformWindow* window = HeadlessOpenWindow(LOGICAL_WIDTH, LOGICAL_HEIGHT);
    UpdateDisplayLayout(window);
    const InputFrame frames[] = {
        {10, 20, 1, 0}, {10, 20, 0, KEY_R}, {-5, 400, 1, KEY_ESCAPE}, {319, 199, 0, 0}, {500, -3, 0, 0}};
    static InputState fromClient[5];
    static InputState given[5];
    const InputFrame none = {0, 0, 0, 0};
    HeadlessSetCursor(0, 0);
    InputUpdate(window);
    for (int i = 0; i < 5; ++i) {
        HeadlessSetCursor(frames[i].cursorX, frames[i].cursorY);
        HeadlessSetKeyState(LEFT_BUTTON, frames[i].leftButton);
        HeadlessSetKeyState(KEY_R, frames[i].key == KEY_R);
        HeadlessSetKeyState(KEY_ESCAPE, frames[i].key == KEY_ESCAPE);
        InputUpdate(window);
        InputSave(&fromClient[i]);
    }
    HeadlessSetKeyState(LEFT_BUTTON, 0);
    HeadlessSetKeyState(KEY_R, 0);
    HeadlessSetKeyState(KEY_ESCAPE, 0);
    InputUpdateFrom(&none);
    for (int i = 0; i < 5; ++i) {
        InputUpdateFrom(&frames[i]);
        InputSave(&given[i]);
        EXPECT_EQ(memcmp(&given[i], &fromClient[i], sizeof(InputState)), 0) << "frame " << i;
    }
    EXPECT_EQ(given[2].mouseLogicalX, 0);
    EXPECT_EQ(given[2].mouseLogicalY, LOGICAL_HEIGHT - 1);
}

} // namespace
