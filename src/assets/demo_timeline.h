// The demo's timeline and its sound format: the seconds at which scenes end and the music
// changes, and the format the soundtrack is mixed in. Scenes, sound, recorder and generator read them here.
#pragma once

// Whole seconds of the demo clock (elapsed since start-up). A scene that ends by the clock
// reports finished from its mark on, and the next scene of the chain shows from then.
constexpr int introFadeSecond = 47;  // the intro fades out from here; its captions end at 48
constexpr int sineCubeEndSecond = 68;
constexpr int itchyAtomEndSecond = 83;
constexpr int vaderEndSecond = 93;
constexpr int demoSeconds = 98;  // the closing picture ends the demo here

// The pace the demo is composed at: chain calls per second of the demo clock. The fade, the
// fountain and the cubes' and sprites' spin move per call, so this rate, not the display's,
// keeps them in step with the music. Pictures shown or recorded sample these calls.
constexpr int demoCallsPerSecond = 60;

// Where the soundtrack changes, in seconds. The marks that belong to scenes follow them; the
// others are the music's own (the journey starts about three seconds into the fade: the drop).
struct SectionMarks {
    double intro = 0, build = 16, lead = 32, breakdown = introFadeSecond, drop = 50, atom = sineCubeEndSecond,
           vader = itchyAtomEndSecond, outro = vaderEndSecond;
};
constexpr double soundtrackSeconds = demoSeconds + 2.0;  // the last notes ring out past the end

// The soundtrack's format, from the file to the mixer, the device and the recorder's per-frame
// sample counts: interleaved signed 16-bit samples.
constexpr int audioSampleRate = 44100;
constexpr int audioChannels = 2;
