// headless.h -- control of the headless backend: a virtual clock, a settable client size, cursor
// and keys, the last presented client image, and a sound device that records what it plays.
#pragma once
#include <stdint.h>

#include "platform/platform.h"

// The one headless window with the given client size (resets cursor, keys and image).
PlatformWindow* HeadlessOpenWindow(int32_t clientW, int32_t clientH);
// Changes the client size; a resize event is delivered before the next frame.
void HeadlessSetClientSize(int32_t w, int32_t h);
// Cursor in client coordinates; a mouse-move event is delivered before the next frame.
void HeadlessSetCursor(int32_t clientX, int32_t clientY);
// 0: the cursor query fails until set to 1 again.
void HeadlessSetCursorAvailable(int available);
// Key or button state (Win32 codes, 1 = left button); going down also queues a key-down event.
void HeadlessSetKeyDown(int32_t vk, int down);
// Changes only the sampled state, without a key-down event (a key held while the window is not focused).
void HeadlessSetKeyState(int32_t vk, int down);
// Queues one more key-down event for a held key, as a keyboard's auto-repeat would.
void HeadlessRepeatKey(int32_t vk);
// Turns the mouse wheel by notches (positive: away from the user); an event before the next frame.
void HeadlessTurnWheel(int32_t notches);
// The title the game last gave the window ("" until it gives one).
const char* HeadlessWindowTitle(void);
// Advances the wrapping millisecond counter (and the sound device's playback).
void HeadlessAdvanceTicks(uint32_t ms);
// Delivers the queued events, then runs one portable frame.
void HeadlessRunFrame(PlatformWindow* window);
// The last presented client image (0x00RRGGBB); null before the first present.
const uint32_t* HeadlessPresentedImage(int32_t* w, int32_t* h);
// Number of back buffers created so far (a size change makes a new one).
int32_t HeadlessBackBufferCreations(void);

// 0: the sound device cannot be opened (the game runs silent).
void HeadlessAudioSetAvailable(int available);
// 0: the device keeps every block it is given and never hands one back.
void HeadlessAudioSetConsuming(int consuming);
// Every sample of every block written to the device, in order; returns the count.
int64_t HeadlessAudioRecorded(const int16_t** samples);
// Forgets the recording.
void HeadlessAudioClearRecording(void);
// 0: blocks are played but not recorded (long runs that must not grow).
void HeadlessAudioSetRecording(int recording);
// Hands every block written to the device to sink as it is written (besides any recording), so a
// tool can stream the sound out without keeping it; null stops that.
typedef void (*HeadlessAudioSink)(void* user, const int16_t* samples, int32_t count);
void HeadlessAudioSetSink(HeadlessAudioSink sink, void* user);
// The most key and mouse messages delivered to one frame; more are dropped as a full queue would.
constexpr int32_t HEADLESS_EVENT_QUEUE_SIZE = 1024;
