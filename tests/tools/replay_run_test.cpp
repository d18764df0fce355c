// replay_run_test.cpp -- the replay driver on the real game: cursors resolved through the camera and
// the window layout, checkpoints that stop at the first divergence, recordings that play back exactly.
#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "app/game_state.h"
#include "input/input.h"
#include "tools/runner/replay_record.h"
#include "tools/runner/replay_run.h"
#include "tools/runner/replay_script.h"

namespace {

ReplayScript Script(const std::string& text) {
    ReplayScript script;
    ReplayError error;
    EXPECT_TRUE(ReplayScriptParse(text.data(), text.size(), &script, &error))
        << error.line << ": " << error.message;
    return script;
}

// Runs text on the built-in stage ("" can never be opened) in a window of w x h.
ReplayRunResult PlayScript(const std::string& text, int32_t w = 0, int32_t h = 0,
                           ReplayFrameHook hook = nullptr, void* user = nullptr) {
    ReplayScript script = Script(text);
    ReplayRunOptions options;
    memset(&options, 0, sizeof(options));
    options.stagePath = "";
    options.clientW = w;
    options.clientH = h;
    options.onFrame = hook;
    options.user = user;
    ReplayRunResult result;
    ReplayRun(&script, &options, &result);
    return result;
}

const char* const START = "click\nwait 20\n"; // start the stage and let the fire block run out

TEST(ReplayRun, AnglesPushTheOtherWay) {
    // Straight down: straight up at full recoil speed.
    // One 16 ms frame of rising gravity (0.0022 px/ms per ms) has acted on the recoil by then.
    const float rise = 16 * 0.0022f;
    ReplayRunResult r = PlayScript(std::string(START) + "shoot 90\nwait\n");
    ASSERT_FALSE(r.failed) << r.message;
    EXPECT_NEAR(r.last.vy, -0.48f + rise, 0.001f);
    EXPECT_NEAR(r.last.vx, 0.0f, 0.005f);
    EXPECT_EQ(r.last.shells, 1);
    // Down and to the left, 45 degrees: up and to the right in equal parts, to whole-pixel precision.
    r = PlayScript(std::string(START) + "shoot 135\nwait\n");
    EXPECT_NEAR(r.last.vx, 0.3394f, 0.005f);
    EXPECT_NEAR(r.last.vy, -0.3394f + rise, 0.005f);
    // Upward: a shot, but no push at all.
    r = PlayScript(std::string(START) + "shoot -60\nwait\n");
    EXPECT_EQ(r.last.shells, 1);
    EXPECT_EQ(r.last.vx, 0.0f);
    EXPECT_EQ(r.last.onGround, 1);
}

TEST(ReplayRun, TheWindowSizeDoesNotChangeTheGame) {
    // The logical cursor goes through the layout: at scale 3 with borders the same shots land the same.
    const std::string text = std::string(START) + "shoot 120\nwait 30\ncursor 250 40\nclick\nwait 30\n";
    ReplayRunResult small = PlayScript(text);
    ReplayRunResult large = PlayScript(text, 1000, 700); // scale 3, letterboxed
    ASSERT_FALSE(small.failed);
    EXPECT_EQ(small.last.hash, large.last.hash);
    EXPECT_EQ(small.last.shells, 0);
}

// Remembers the mouse's world position the game used in the last frame.
int MouseHook(void* user, const ReplayFrameInput* input, const ReplayState* state, ReplayRunResult* result) {
    (void)input;
    (void)state;
    (void)result;
    float* out = (float*)user;
    out[0] = InputGetMouseWorldX();
    out[1] = InputGetMouseWorldY();
    return 1;
}

TEST(ReplayRun, AWorldPointFollowsTheCamera) {
    // The camera eases toward the player over these frames; the cursor stays on the world point.
    float mouse[2] = {0, 0};
    ReplayRunResult r = PlayScript(
        std::string(START) + "shoot 135\nwait\ncursor world 300.4 150.6\nwait 60\n", 0, 0, MouseHook, mouse);
    ASSERT_FALSE(r.failed);
    EXPECT_GT(r.last.cameraX, 1.0f);
    EXPECT_NEAR(mouse[0], 300.4f, 0.5f);
    EXPECT_NEAR(mouse[1], 150.6f, 0.5f);
}

// Keeps the state hash of each of the first frames.
int HashHook(void* user, const ReplayFrameInput* input, const ReplayState* state, ReplayRunResult* result) {
    (void)input;
    (void)result;
    uint64_t* hashes = (uint64_t*)user;
    if (state->frame >= 1 && state->frame <= 4) {
        hashes[state->frame - 1] = state->hash;
    }
    return 1;
}

TEST(ReplayRun, TheStateHashSeesTheBlink) {
    // On the title only the prompt's blink counter moves; frames of 0 ms in play move nothing but it.
    uint64_t hashes[4] = {0, 0, 0, 0};
    PlayScript("wait 2\ndt 0\nclick\nwait 1\n", 0, 0, HashHook, hashes);
    EXPECT_NE(hashes[0], hashes[1]);
    EXPECT_NE(hashes[2], hashes[3]);
}

int StopAtTen(void* user, const ReplayFrameInput* input, const ReplayState* state, ReplayRunResult* result) {
    (void)user;
    (void)input;
    if (state->frame == 10) {
        snprintf(result->message, sizeof(result->message), "stopped");
        return 0;
    }
    return 1;
}

TEST(ReplayRun, CheckpointsStopAtTheFirstDivergence) {
    ReplayRunResult r =
        // Behind the title of a fresh game there is no stage yet, so no shells either.
        PlayScript("wait 5\nexpect mode title shells 0\nclick\nwait 3\nexpect mode title\nwait 100\n");
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.checks, 2);
    EXPECT_EQ(r.failFrame, 8);
    EXPECT_EQ(r.failLine, 5);
    EXPECT_EQ(r.last.frame, 8); // nothing ran after it
    EXPECT_STREQ(r.message, "frame 8 (line 5): mode is playing, expected title");

    r = PlayScript(std::string(START) + "expect pos 56 193.95 within 0.001 vel 0 0\nexpect y 190\n");
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.checks, 4);
    EXPECT_NE(strstr(r.message, "frame 20 (line 4): player y is 193.949997, expected 190 within 0.01"),
              nullptr)
        << r.message;

    r = PlayScript("wait 20\n", 0, 0, StopAtTen, nullptr);
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.last.frame, 10);
    EXPECT_STREQ(r.message, "stopped");
}

TEST(ReplayRun, KeysReachTheGameAsMessagesAndEdges) {
    // F from the title: the stage starts with debug flight on; D then flies the player right.
    ReplayRunResult r = PlayScript("tap F\nwait 2\ndown D\nwait 10\nup D\nwait\n");
    EXPECT_EQ(r.last.mode, MODE_PLAYING);
    EXPECT_EQ(r.last.debugFly, 1);
    EXPECT_NEAR(r.last.x, 56.0f + 10 * 16 * 0.19f, 0.01f);
    // The next run starts from the title with flight off, as a fresh game would.
    r = PlayScript("wait 2\n");
    EXPECT_EQ(r.last.mode, MODE_TITLE);
    EXPECT_EQ(r.last.debugFly, 0);
    // R reloads only on its press: held, it reloads once.
    r = PlayScript(std::string(START) +
                   "shoot 90\nwait 40\ndown R\nwait 80\nexpect shells 2 reloading 0\nshoot 90\nwait 80\n"
                   "expect shells 1 reloading 0\n");
    EXPECT_FALSE(r.failed) << r.message;
}

// Feeds every frame to a recorder writing into a memory file.
struct RecordJob {
    ReplayRecorder recorder;
};

int RecordHook(void* user, const ReplayFrameInput* input, const ReplayState* state, ReplayRunResult* result) {
    (void)result;
    ReplayRecordFrame(&((RecordJob*)user)->recorder, input, state);
    return 1;
}

TEST(ReplayRun, ARecordingPlaysBackWithEveryCheckpointHolding) {
    const std::string text =
        std::string(START) +
        "shoot 110\nwait 12\ncursor world 40 40\nclick\nwait 30\ntap R\nwait 80\n"
        "cursor none\nwait 3\nshoot 150\nwait 20\ndt 33\nsize 640 400\ncursor 10 190\nclick\nwait 25\n"
        "down S\nrepeat S\nwait 3\nup S\ntap ESC\nwait 5\n";
    FILE* file = tmpfile();
    ASSERT_NE(file, nullptr);
    RecordJob job;
    ReplayRecordBegin(&job.recorder, file, 25, "test", 320, 200);
    ReplayRunResult first = PlayScript(text, 0, 0, RecordHook, &job);
    ASSERT_TRUE(ReplayRecordEnd(&job.recorder, &first.last));
    EXPECT_EQ(first.last.mode, MODE_TITLE);

    std::string recorded(1 << 16, '\0');
    rewind(file);
    recorded.resize(fread(&recorded[0], 1, recorded.size(), file));
    fclose(file);
    EXPECT_NE(recorded.find("cursor none\n"), std::string::npos);
    EXPECT_NE(recorded.find("repeat S\n"), std::string::npos);
    EXPECT_NE(recorded.find("size 640 400\n"), std::string::npos);
    EXPECT_NE(recorded.find("expect mode title within 0"), std::string::npos);
    ReplayRunResult again = PlayScript(recorded);
    EXPECT_FALSE(again.failed) << again.message;
    EXPECT_GE(again.checks, 8 * 9);
    EXPECT_EQ(again.last.hash, first.last.hash);
    EXPECT_EQ(again.last.frame, first.last.frame);
}

} // namespace
