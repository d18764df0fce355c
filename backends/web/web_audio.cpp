// web_audio.cpp -- the sound output of the browser build: each queued block becomes a WebAudio buffer
// scheduled right after the one before it, and stays held until its end time on the AudioContext clock.
// Browsers start sound only after a click or key: until then queued blocks wait, held, in order.
#include <emscripten.h>

#include "platform/platform.h"
#include "backends/web/web_platform.h"

constexpr int32_t WEB_AUDIO_RATE = PLATFORM_SAMPLE_RATE;

// Module.webAudio is the open device; Module.webAudioStats counts what went through it, for the page's tests.
// clang-format off
EM_JS(int, WebAudioOpenJs, (const int16_t* block0, const int16_t* block1, int samples, int rate), {
    var Ctor = window.AudioContext || window.webkitAudioContext;
    if (!Ctor) {
        return 0;
    }
    if (!Module.webAudioStats) {
        // offered: blocks the game handed over; queued: those taken; scheduled: those sent to the speakers.
        Module.webAudioStats =
            {offered : 0, queued : 0, scheduled : 0, peak : 0, state : 'waiting for a click or key'};
    }
    Module.webAudio = {
        Ctor : Ctor,
        ctx : null,
        blocks : [ block0, block1 ],
        samples : samples,
        rate : rate,
        waiting : [],         // [block, Float32Array] queued before the context runs, oldest first
        endTime : [ -1, -1 ], // context time at which each scheduled block has played; -1 when not scheduled
        sources : [ null, null ],
        queueEnd : 0
    };
    // Blocks that waited for the first click or key go out together, back to back, once the context runs.
    Module.webAudioPump = function() {
        var a = Module.webAudio;
        if (!a || !a.ctx || a.ctx.state !== 'running') {
            return;
        }
        while (a.waiting.length > 0) {
            var w = a.waiting.shift();
            Module.webAudioSchedule(w[0], w[1]);
        }
    };
    Module.webAudioSchedule = function(block, data) {
        var a = Module.webAudio;
        var buffer = a.ctx.createBuffer(1, a.samples, a.rate);
        buffer.getChannelData(0).set(data);
        var source = a.ctx.createBufferSource();
        source.buffer = buffer;
        source.connect(a.ctx.destination);
        // Right after the previous block, or now when the output ran dry.
        var start = Math.max(a.queueEnd, a.ctx.currentTime);
        source.start(start);
        a.queueEnd = start + a.samples / a.rate;
        a.endTime[block] = a.queueEnd;
        a.sources[block] = source;
        Module.webAudioStats.scheduled++;
    };
    return 1;
});
// clang-format on

// Makes the context (or wakes it) inside a click or key event, once the page may play sound.
// clang-format off
EM_JS(void, WebAudioGestureJs, (), {
    var a = Module.webAudio;
    if (!a) {
        return;
    }
    // Asking before the first gesture only earns a console warning.
    if (navigator.userActivation && !navigator.userActivation.hasBeenActive) {
        return;
    }
    if (!a.ctx) {
        try {
            a.ctx = new a.Ctor();
        } catch (e) {
            a.Ctor = null;
            Module.webAudioStats.state = 'no sound output';
            return;
        }
        a.ctx.onstatechange = function() {
            if (Module.webAudio && Module.webAudio.ctx) {
                Module.webAudioStats.state = Module.webAudio.ctx.state;
            }
        };
    }
    if (a.ctx.state === 'suspended') {
        a.ctx.resume().catch(function(){});
    }
    Module.webAudioStats.state = a.ctx.state;
});
// clang-format on

// clang-format off
EM_JS(void, WebAudioQueueJs, (int block), {
    var a = Module.webAudio;
    Module.webAudioStats.offered++;
    if (!a || (a.endTime[block] >= 0) || a.waiting.some(function(w) { return w[0] === block; })) {
        return; // closed, or the block is still held: its place in the order would be lost
    }
    // The samples are copied now: the block may be refilled as soon as it is no longer held.
    var pcm = HEAP16.subarray(a.blocks[block] >> 1, (a.blocks[block] >> 1) + a.samples);
    var data = new Float32Array(a.samples);
    var peak = Module.webAudioStats.peak;
    for (var i = 0; i < a.samples; i++) {
        data[i] = pcm[i] / 32768;
        var m = pcm[i] < 0 ? -pcm[i] : pcm[i];
        if (m > peak) {
            peak = m;
        }
    }
    Module.webAudioStats.peak = peak;
    Module.webAudioStats.queued++;
    a.waiting.push([ block, data ]);
    Module.webAudioPump();
});
// clang-format on

// clang-format off
EM_JS(int, WebAudioIsHeldJs, (int block), {
    var a = Module.webAudio;
    if (!a) {
        return 0;
    }
    Module.webAudioPump();
    if (a.waiting.some(function(w) { return w[0] === block; })) {
        return 1;
    }
    if (a.endTime[block] < 0) {
        return 0;
    }
    if (a.ctx.currentTime < a.endTime[block]) {
        return 1;
    }
    a.endTime[block] = -1;
    a.sources[block] = null;
    return 0;
});
// clang-format on

// clang-format off
EM_JS(void, WebAudioCloseJs, (), {
    var a = Module.webAudio;
    if (!a) {
        return;
    }
    a.sources.forEach(function(s) {
        if (s) {
            try {
                s.stop();
            } catch (e) {
            }
        }
    });
    if (a.ctx) {
        a.ctx.close().catch(function(){});
    }
    Module.webAudio = null;
    Module.webAudioStats.state = 'closed';
});
// clang-format on

static int gWebAudioOpen;

void WebAudioOnGesture(void) {
    if (gWebAudioOpen) {
        WebAudioGestureJs();
    }
}

int PlatformAudioOpen(const int16_t* block0, const int16_t* block1, int32_t blockSamples) {
    if (gWebAudioOpen || !block0 || !block1 || blockSamples <= 0) {
        return 0;
    }
    gWebAudioOpen = WebAudioOpenJs(block0, block1, blockSamples, WEB_AUDIO_RATE);
    return gWebAudioOpen;
}

void PlatformAudioQueue(int32_t block) {
    if (gWebAudioOpen && (uint32_t)block <= 1u) {
        WebAudioQueueJs(block);
    }
}

int PlatformAudioIsHeld(int32_t block) {
    if (!gWebAudioOpen || (uint32_t)block > 1u) {
        return 0;
    }
    return WebAudioIsHeldJs(block);
}

void PlatformAudioClose(void) {
    if (gWebAudioOpen) {
        WebAudioCloseJs();
        gWebAudioOpen = 0;
    }
}
