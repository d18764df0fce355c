// The SDL2 backend's desktop input with SDL's offscreen video and a virtual game controller: the pad
// aims, fires, reloads and starts; focus loss lets go of it; a dropped stage file names the window and
// is played at the next start.
#include <gtest/gtest.h>

#include <SDL.h>
#include <math.h>
#include <stdio.h>

#include "app/game_state.h"
#include "app/main.h"
#include "app/stage_open.h"
#include "input/input.h"
#include "platform/keys.h"
#include "backends/sdl2/sdl2_events.h"
#include "backends/sdl2/sdl2_pad.h"
#include "backends/sdl2/sdl2_platform.h"

namespace {

PlatformWindow* gWindow;
SDL_Joystick* gStick;
int gStickIndex = -1;

void Frames(int count) {
    for (int i = 0; i < count; ++i) {
        SDL_Event ev;
        while (SDL_PollEvent(&ev)) {
            Sdl2EventsHandle(gWindow, &ev);
        }
        MainFrame(gWindow);
        Sdl2EventsEndFrame(gWindow);
    }
}

void Focus(bool gained) {
    SDL_Event ev = {};
    ev.type = SDL_WINDOWEVENT;
    ev.window.event = gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
    Sdl2EventsHandle(gWindow, &ev);
}

void Button(SDL_GameControllerButton button, bool down) {
    SDL_JoystickSetVirtualButton(gStick, button, down ? 1 : 0);
    Frames(2);
}

class Sdl2Desktop : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        // The game gates on its own focus; SDL must not drop the pad's events for want of a real one.
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        const char* whyNot = "";
        gWindow = Sdl2OpenWindow(&whyNot);
        ASSERT_NE(gWindow, nullptr) << whyNot;
        MainStartup(gWindow);
        SDL_VirtualJoystickDesc desc;
        SDL_zero(desc);
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        desc.axis_mask = (1u << SDL_CONTROLLER_AXIS_MAX) - 1;
        desc.button_mask = (1u << SDL_CONTROLLER_BUTTON_MAX) - 1;
        desc.name = "test pad";
        gStickIndex = SDL_JoystickAttachVirtualEx(&desc);
        ASSERT_GE(gStickIndex, 0) << SDL_GetError();
        gStick = SDL_JoystickOpen(gStickIndex);
        ASSERT_NE(gStick, nullptr);
        Focus(true);
        Frames(3);
    }
};

TEST_F(Sdl2Desktop, PadStartsAimsFiresAndReloads) {
    ASSERT_EQ(GameStateGetMode(), MODE_TITLE);
    Button(SDL_CONTROLLER_BUTTON_START, true);
    EXPECT_EQ(GameStateGetMode(), MODE_PLAYING);
    Button(SDL_CONTROLLER_BUTTON_START, false);
    Frames(20); // past the start's fire block

    // Left stick to the right: the crosshair 48 px right of the player's centre, and it stays at rest.
    SDL_JoystickSetVirtualAxis(gStick, SDL_CONTROLLER_AXIS_LEFTX, 32767);
    Frames(2);
    SDL_JoystickSetVirtualAxis(gStick, SDL_CONTROLLER_AXIS_LEFTX, 0);
    Frames(2);
    EXPECT_TRUE(Sdl2PadOwnsCursor());
    const Player* player = GameStateGetPlayer();
    const Camera* camera = GameStateGetCamera();
    EXPECT_NEAR(InputGetMouseLogicalX(), player->body.x - camera->x + PAD_AIM_RADIUS, 1.0f);
    EXPECT_NEAR(InputGetMouseLogicalY(), player->body.y - camera->y, 1.0f);

    // South button fires: one shell spent.
    const int32_t shells = player->shotgun.shells;
    Button(SDL_CONTROLLER_BUTTON_A, true);
    EXPECT_TRUE(PlatformIsKeyDown(KEY_LBUTTON));
    Button(SDL_CONTROLLER_BUTTON_A, false);
    EXPECT_EQ(player->shotgun.shells, shells - 1);
    Button(SDL_CONTROLLER_BUTTON_X, true);
    EXPECT_TRUE(PlatformIsKeyDown(KEY_R));
    Button(SDL_CONTROLLER_BUTTON_X, false);

    // The mouse moves: it owns the cursor again.
    SDL_Event motion = {};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.x = 30;
    motion.motion.y = 30;
    motion.motion.xrel = 1;
    Sdl2EventsHandle(gWindow, &motion);
    EXPECT_FALSE(Sdl2PadOwnsCursor());

    // Focus elsewhere: a held trigger is not seen, nor is it when the focus comes back while held.
    SDL_JoystickSetVirtualAxis(gStick, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767);
    Frames(1);
    EXPECT_TRUE(PlatformIsKeyDown(KEY_LBUTTON));
    Focus(false);
    EXPECT_FALSE(PlatformIsKeyDown(KEY_LBUTTON));
    Focus(true);
    EXPECT_FALSE(PlatformIsKeyDown(KEY_LBUTTON));
    SDL_JoystickSetVirtualAxis(gStick, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 0);
    Frames(1);

    // Start in play is Escape: back to the title.
    Button(SDL_CONTROLLER_BUTTON_START, true);
    EXPECT_EQ(GameStateGetMode(), MODE_TITLE);
    Button(SDL_CONTROLLER_BUTTON_START, false);
    EXPECT_EQ(GameStateGetMode(), MODE_TITLE);
}

// A button or key down and up between two frames, as a touchpad tap or a quick click delivers it.
void Tap(Uint32 type, int32_t code, Uint32 timestamp) {
    SDL_Event down = {};
    down.type = type;
    down.common.timestamp = timestamp;
    if (type == SDL_MOUSEBUTTONDOWN) {
        down.button.button = (Uint8)code;
    } else {
        down.key.keysym.scancode = (SDL_Scancode)code;
    }
    SDL_Event up = down;
    up.type = type == SDL_MOUSEBUTTONDOWN ? SDL_MOUSEBUTTONUP : SDL_KEYUP;
    Sdl2EventsHandle(gWindow, &down);
    Sdl2EventsHandle(gWindow, &up);
    Frames(1);
}

TEST_F(Sdl2Desktop, QuickClicksAndTapsBetweenFramesCount) {
    ASSERT_EQ(GameStateGetMode(), MODE_TITLE);
    // The pad's trigger fully out (a virtual axis at 0 reads as half pulled).
    SDL_JoystickSetVirtualAxis(gStick, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, -32768);
    Frames(1);
    // The click that gave the focus does not start the stage.
    SDL_Event focus = {};
    focus.type = SDL_WINDOWEVENT;
    focus.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
    focus.window.timestamp = 5000;
    Sdl2EventsHandle(gWindow, &focus);
    Tap(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 5050);
    EXPECT_EQ(GameStateGetMode(), MODE_TITLE);
    Tap(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 6000);
    EXPECT_EQ(GameStateGetMode(), MODE_PLAYING);
    EXPECT_FALSE(PlatformIsKeyDown(KEY_LBUTTON)); // seen by one frame only
    Frames(20);                                   // past the start's fire block
    const Player* player = GameStateGetPlayer();
    const int32_t shells = player->shotgun.shells;
    Tap(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 7000);
    Frames(1);
    EXPECT_EQ(player->shotgun.shells, shells - 1);
    Tap(SDL_KEYDOWN, SDL_SCANCODE_R, 7100);
    EXPECT_TRUE(player->shotgun.reloading);
    Tap(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE, 7200);
    EXPECT_EQ(GameStateGetMode(), MODE_TITLE);
    Tap(SDL_KEYDOWN, SDL_SCANCODE_SPACE, 7300);
    EXPECT_EQ(GameStateGetMode(), MODE_PLAYING);
    Tap(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE, 7400);
    Frames(1); // the Escape seen up again before the next test's Start
}

TEST_F(Sdl2Desktop, DroppedStageIsPlayedAtTheNextStartAndNamesTheWindow) {
    const char* path = "sdl2_desktop_drop.txt";
    FILE* f = fopen(path, "w");
    ASSERT_NE(f, nullptr);
    fputs("S          G\n############\n", f);
    fclose(f);
    SDL_Event drop = {};
    drop.type = SDL_DROPFILE;
    drop.drop.file = SDL_strdup(path);
    Sdl2EventsHandle(gWindow, &drop);
    EXPECT_STREQ(SDL_GetWindowTitle(SDL_GetWindowFromID(1)), "Shotgun-Kalvoro - sdl2_desktop_drop.txt");
    // A folder dropped next: said so, and the good stage stays.
    drop.drop.file = SDL_strdup(".");
    Sdl2EventsHandle(gWindow, &drop);
    EXPECT_STREQ(SDL_GetWindowTitle(SDL_GetWindowFromID(1)), "Shotgun-Kalvoro - . not a file: stage kept");
    Button(SDL_CONTROLLER_BUTTON_START, true);
    Button(SDL_CONTROLLER_BUTTON_START, false);
    EXPECT_EQ(GameStateGetMode(), MODE_PLAYING);
    EXPECT_EQ(GameStateGetMap()->width, 12); // the file's stage, not the built-in one
    remove(path);
    char message[STAGE_OPEN_MESSAGE_SIZE];
    StageOpen(gWindow, nullptr, STAGE_OPEN_GIVEN, message);
    EXPECT_STREQ(SDL_GetWindowTitle(SDL_GetWindowFromID(1)), "Shotgun-Kalvoro");
    // Unplugged: the pad lets go of everything.
    SDL_JoystickSetVirtualButton(gStick, SDL_CONTROLLER_BUTTON_X, 1);
    Frames(1);
    EXPECT_TRUE(PlatformIsKeyDown(KEY_R));
    SDL_JoystickClose(gStick);
    SDL_JoystickDetachVirtual(gStickIndex);
    Frames(2);
    EXPECT_FALSE(PlatformIsKeyDown(KEY_R));
}

} // namespace
