// replay_script_test.cpp -- the replay script parser: what each command becomes, the message and line
// of every kind of bad line, the limits, and arbitrary bytes that must never crash it.
#include <gtest/gtest.h>

#include <string.h>

#include <random>
#include <string>

#include "app/game_state.h"
#include "tools/runner/replay_script.h"

namespace {

struct Parsed {
    int ok;
    ReplayScript script;
    ReplayError error;
};

Parsed Parse(const std::string& text) {
    Parsed p;
    p.ok = ReplayScriptParse(text.data(), text.size(), &p.script, &p.error);
    return p;
}

// The error line and message of a script that must be refused.
void ExpectError(const std::string& text, int line, const char* fragment) {
    Parsed p = Parse(text);
    ASSERT_FALSE(p.ok) << text;
    EXPECT_EQ(p.error.line, line) << text;
    EXPECT_NE(strstr(p.error.message, fragment), nullptr) << text << " -> " << p.error.message;
    EXPECT_TRUE(p.script.events.empty());
}

TEST(ReplayScript, CommandsBecomeEventsAtTheirFrames) {
    Parsed p = Parse("# a comment line\n"
                     "dt 20\n"
                     "click          # start\r\n"
                     "wait 3\n"
                     "\n"
                     "cursor 10 -5\n"
                     "cursor world 400.5 120\n"
                     "shoot 135\n"
                     "wait\n"
                     "down d\n"
                     "repeat D\n"
                     "at 10\n"
                     "up VK68\n"
                     "tap ESC\n"
                     "size 640 400\n"
                     "cursor none\n"
                     "wait 2\n"
                     "expect mode playing within 0.5 pos 1 2 vel 0.25 -1e-3 shells 2 hash 0x00AB\n");
    ASSERT_TRUE(p.ok) << p.error.line << ": " << p.error.message;
    EXPECT_EQ(p.script.frames, 12);
    const std::vector<ReplayEvent>& ev = p.script.events;
    ASSERT_EQ(ev.size(), 23u);
    EXPECT_EQ(ev[0].type, REPLAY_DT);
    EXPECT_EQ(ev[0].a, 20);
    EXPECT_EQ(ev[1].type, REPLAY_CLICK);
    EXPECT_EQ(ev[1].line, 3);
    EXPECT_EQ(ev[2].type, REPLAY_WAIT);
    EXPECT_EQ(ev[2].a, 3);
    EXPECT_EQ(ev[3].type, REPLAY_CURSOR);
    EXPECT_EQ(ev[3].fb, -5.0f);
    EXPECT_EQ(ev[3].frame, 3);
    EXPECT_EQ(ev[4].type, REPLAY_CURSOR_WORLD);
    EXPECT_EQ(ev[4].fa, 400.5f);
    // shoot = an angle cursor and a click on the same line
    EXPECT_EQ(ev[5].type, REPLAY_CURSOR_ANGLE);
    EXPECT_EQ(ev[5].fa, 135.0f);
    EXPECT_EQ(ev[6].type, REPLAY_CLICK);
    EXPECT_EQ(ev[6].line, 8);
    EXPECT_EQ(ev[7].a, 1); // bare wait
    EXPECT_EQ(ev[8].type, REPLAY_KEY_DOWN);
    EXPECT_EQ(ev[8].a, 'D');
    EXPECT_EQ(ev[9].type, REPLAY_KEY_REPEAT);
    EXPECT_EQ(ev[10].type, REPLAY_WAIT); // at 10 from frame 4
    EXPECT_EQ(ev[10].a, 6);
    EXPECT_EQ(ev[11].type, REPLAY_KEY_UP);
    EXPECT_EQ(ev[11].a, 68);
    EXPECT_EQ(ev[12].type, REPLAY_KEY_TAP);
    EXPECT_EQ(ev[12].a, 27);
    EXPECT_EQ(ev[13].type, REPLAY_SIZE);
    EXPECT_EQ(ev[13].b, 400);
    EXPECT_EQ(ev[14].type, REPLAY_CURSOR_NONE);
    // One expect line, one event per clause, the tolerance applying to what follows it.
    EXPECT_EQ(ev[16].a, REPLAY_EXPECT_MODE);
    EXPECT_EQ(ev[16].b, MODE_PLAYING);
    EXPECT_EQ(ev[17].a, REPLAY_EXPECT_X);
    EXPECT_EQ(ev[17].fc, 0.5f);
    EXPECT_EQ(ev[18].a, REPLAY_EXPECT_Y);
    EXPECT_EQ(ev[20].a, REPLAY_EXPECT_VY);
    EXPECT_FLOAT_EQ(ev[20].fa, -0.001f);
    EXPECT_EQ(ev[21].a, REPLAY_EXPECT_SHELLS);
    EXPECT_EQ(ev[22].a, REPLAY_EXPECT_HASH);
    EXPECT_EQ(ev[22].hash, 0xABu);
    EXPECT_EQ(ev[22].frame, 12);
}

TEST(ReplayScript, BadLinesAreNamedByLineWithWhatIsWrong) {
    ExpectError("wait 2\njump\n", 2, "unknown command 'jump'");
    ExpectError("wait x\n", 1, "'wait' takes a number of frames");
    ExpectError("wait 1000001\n", 1, "'wait' takes a number of frames");
    ExpectError("wait 5\nat 3\n", 2, "frame 3 is already past");
    ExpectError("dt -1\n", 1, "'dt' takes whole milliseconds");
    ExpectError("dt 1001\n", 1, "'dt' takes whole milliseconds");
    ExpectError("cursor 1\n", 1, "'cursor' takes X Y");
    ExpectError("cursor 1.5 2\n", 1, "'cursor' takes X Y");
    ExpectError("cursor world nan 0\n", 1, "two world coordinates");
    ExpectError("cursor world 1e9 0\n", 1, "two world coordinates");
    ExpectError("cursor angle 0x10\n", 1, "degrees");
    ExpectError("shoot\n", 1, "'shoot' takes an angle");
    ExpectError("shoot inf\n", 1, "'shoot' takes an angle");
    ExpectError("tap\n", 1, "one key name");
    ExpectError("tap F1\n", 1, "unknown key 'F1'");
    ExpectError("down VK256\n", 1, "unknown key");
    ExpectError("size 0 10\n", 1, "'size' takes");
    ExpectError("press now\n", 1, "'press' takes nothing");
    ExpectError("expect\n", 1, "needs at least one of");
    ExpectError("expect mode won\n", 1, "title, playing, clear or gameover");
    ExpectError("expect pos 1\n", 1, "'pos' in 'expect' needs two numbers");
    ExpectError("expect shells -1\n", 1, "'shells' in 'expect' needs a whole number");
    ExpectError("expect hash 12345678901234567\n", 1, "up to 16 hexadecimal digits");
    ExpectError("expect within -1 x 0\n", 1, "tolerance of 0 or more");
    ExpectError("expect speed 3\n", 1, "unknown value 'speed'");
    ExpectError("wait\nwait 1 # fine\nwait \x01\n", 3, "unexpected byte 0x01 in column 6");
    ExpectError("tap \xC3\xA9\n", 1, "unexpected byte 0xC3");
    ExpectError("wait " + std::string(40, '1') + "\n", 1, "a word longer than");
    ExpectError(std::string(300, ' ') + "wait\n", 1, "line longer than 256 bytes");
    std::string many = "expect";
    for (int i = 0; i < 30; ++i) {
        many += " x 1";
    }
    ExpectError(many + "\n", 1, "more than 24 words");
}

TEST(ReplayScript, PressesThatCouldNotBeFreshAreRefused) {
    // A click holds the button through the next frame: another click needs a frame of release between.
    ExpectError("click\nwait\nclick\n", 3, "still down from line 1");
    ExpectError("click\nshoot 90\n", 2, "still down from line 1");
    ExpectError("press\nwait 5\nclick\n", 3, "still down from line 1");
    ExpectError("tap R\nwait\ntap r\n", 3, "key R is still down from line 1");
    ExpectError("down A\nwait 9\ndown A\n", 3, "key A is still down");
    EXPECT_TRUE(Parse("click\nwait 2\nclick\n").ok);
    EXPECT_TRUE(Parse("press\nwait 5\nrelease\nwait\npress\n").ok);
    EXPECT_TRUE(Parse("tap R\nwait 2\ntap R\nwait 2\ndown R\n").ok);
    // Released and pressed again before any frame ran: the key never was up.
    ExpectError("down R\nwait 3\nup R\ndown R\n", 4, "key R is still down from line 3");
    ExpectError("press\nrelease\nclick\n", 3, "still down from line 2");
    EXPECT_TRUE(Parse("down R\nup R\nwait\ndown R\n").ok);
    // A release of a button that is not down changes nothing.
    EXPECT_TRUE(Parse("wait\nrelease\nclick\n").ok);
}

TEST(ReplayScript, LimitsHold) {
    // Frames: the sum of the waits is capped, whatever the single numbers.
    ExpectError("wait 1000000\nwait 1\n", 2, "more than 1000000 frames");
    EXPECT_TRUE(Parse("wait 1000000\nat 1000000\n").ok);
    // Events: capped, the message on the line that would go past the cap.
    std::string lines;
    for (int i = 0; i < REPLAY_MAX_EVENTS; ++i) {
        lines += "dt 16\n";
    }
    EXPECT_TRUE(Parse(lines).ok);
    ExpectError(lines + "dt 16\n", REPLAY_MAX_EVENTS + 1, "more than 200000 events");
    // Size: refused before any line is read.
    std::string big(REPLAY_MAX_BYTES + 1, '\n');
    Parsed p = Parse(big);
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(p.error.line, 0);
    EXPECT_NE(strstr(p.error.message, "larger than"), nullptr);
    // An empty script is a script that runs no frame.
    p = Parse("");
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(p.script.frames, 0);
}

TEST(ReplayScript, KeyNamesReadBackAsTheirCodes) {
    for (int32_t code = 0; code < 256; ++code) {
        char name[REPLAY_KEY_NAME_SIZE];
        ReplayKeyName(code, name);
        EXPECT_EQ(ReplayKeyCode(name), code) << name;
    }
    EXPECT_EQ(ReplayKeyCode("esc"), 27);
    EXPECT_EQ(ReplayKeyCode("r"), 'R');
    EXPECT_EQ(ReplayKeyCode("VK-1"), -1);
    EXPECT_EQ(ReplayKeyCode("VK+1"), -1);
    EXPECT_EQ(ReplayKeyCode(""), -1);
    EXPECT_EQ(ReplayModeFromName("GameOver"), 3);
}

// Arbitrary bytes, and scripts made of real words in random order: the parser either accepts them
// or names a line inside the text, and never keeps events when it refuses.
TEST(ReplayScript, ArbitraryInputNeverBreaksIt) {
    std::mt19937 random(12345);
    static const char* const WORDS[] = {"wait",  "at",    "dt",      "cursor", "world", "angle", "none",
                                        "click", "press", "release", "tap",    "down",  "up",    "repeat",
                                        "shoot", "size",  "expect",  "mode",   "pos",   "hash",  "within",
                                        "R",     "ESC",   "VK300",   "-3",     "1e40",  "0.5",   "999999",
                                        "#",     "\r",    "\t",      "\n",     "\n",    "\n",    "\xff"};
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int n = (int)(random() % 200);
        for (int i = 0; i < n; ++i) {
            if (round % 2 == 0) {
                text += (char)(random() & 0xFF);
            } else {
                text += WORDS[random() % (sizeof(WORDS) / sizeof(WORDS[0]))];
                text += ' ';
            }
        }
        int lines = 1;
        for (char c : text) {
            lines += c == '\n';
        }
        Parsed p = Parse(text);
        if (!p.ok) {
            EXPECT_GE(p.error.line, 1);
            EXPECT_LE(p.error.line, lines);
            EXPECT_GT(strlen(p.error.message), 0u);
            EXPECT_TRUE(p.script.events.empty());
        } else {
            EXPECT_LE(p.script.frames, REPLAY_MAX_FRAMES);
        }
    }
}

} // namespace
