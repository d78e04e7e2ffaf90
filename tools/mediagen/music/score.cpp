// The soundtrack's arrangement: chords, bass lines, melodies and drum patterns per section.
// Patterns are written on a grid of sixteenth notes, sixteen to a two-second bar.
#include "music/score.h"

#include <utility>
#include <vector>

namespace {

constexpr double kStep = 0.125;  // a sixteenth at 120 beats a minute
constexpr double kBar = 16 * kStep;

struct Chord {
    int bass;
    int tones[3];
};

// A minor: Am F C G, the home progression; E and A lead back into it or on to D minor.
constexpr Chord kAm{33, {57, 60, 64}}, kF{29, {57, 60, 65}}, kC{36, {55, 60, 64}}, kG{31, {55, 59, 62}};
constexpr Chord kE{28, {56, 59, 64}}, kA{33, {57, 61, 64}};
// D minor for the atom: Dm Bb F C.
constexpr Chord kDm{38, {57, 62, 65}}, kBb{34, {58, 62, 65}};
// Low, close voicings for the dark section.
constexpr Chord kAmLow{33, {52, 57, 60}}, kBbLow{34, {50, 53, 58}}, kGmLow{31, {50, 55, 58}}, kAsus{33, {52, 57, 62}};

const Chord kHome[4] = {kAm, kF, kC, kG};
const Chord kAtom[4] = {kDm, kBb, kF, kC};
const Chord kDark[5] = {kAmLow, kBbLow, kGmLow, kBbLow, kAsus};

struct Step {
    int at, length, pitch;
};
using Phrase = std::vector<std::vector<Step>>;  // one list of notes per bar

const Phrase kThemeA = {
    {{0, 3, 69}, {3, 3, 72}, {6, 4, 76}, {10, 2, 74}, {12, 4, 72}},
    {{0, 3, 69}, {3, 3, 72}, {6, 4, 77}, {10, 2, 76}, {12, 4, 72}},
    {{0, 3, 67}, {3, 3, 72}, {6, 6, 76}, {12, 4, 79}},
    {{0, 3, 74}, {3, 3, 71}, {6, 4, 67}, {10, 2, 69}, {12, 4, 71}},
};
const Phrase kThemeB = {
    {{0, 6, 76}, {6, 2, 74}, {8, 4, 72}, {12, 2, 71}, {14, 2, 72}},
    {{0, 8, 69}, {8, 4, 72}, {12, 4, 77}},
    {{0, 3, 76}, {3, 3, 79}, {6, 2, 76}, {8, 8, 72}},
    {{0, 6, 74}, {6, 2, 71}, {8, 4, 74}, {12, 4, 76}},
};
const Phrase kAtomMotif = {
    {{0, 2, 74}, {2, 2, 77}, {4, 2, 81}, {7, 1, 79}, {8, 2, 77}, {10, 2, 74}, {12, 3, 76}, {15, 1, 77}},
    {{0, 2, 74}, {2, 2, 77}, {4, 2, 82}, {7, 1, 81}, {8, 2, 77}, {10, 2, 74}, {12, 4, 72}},
    {{0, 2, 72}, {2, 2, 77}, {4, 2, 81}, {7, 1, 79}, {8, 2, 77}, {10, 2, 72}, {12, 3, 74}, {15, 1, 76}},
    {{0, 4, 79}, {4, 2, 76}, {6, 2, 72}, {8, 4, 76}, {12, 4, 74}},
};
const Phrase kDarkTheme = {
    {{0, 6, 64}, {6, 2, 65}, {8, 8, 64}},
    {{0, 6, 62}, {6, 2, 65}, {8, 8, 58}},
    {{0, 4, 55}, {4, 4, 58}, {8, 4, 62}, {12, 4, 60}},
    {{0, 8, 62}, {8, 4, 65}, {12, 4, 64}},
    {{0, 16, 64}},
};

double at(double sectionStart, int bar, double step) { return sectionStart + bar * kBar + step * kStep; }

// Calls `hit(step, accent)` for every mark of a sixteen-step pattern: 'x' full, 'o' soft.
template <typename Hit>
void pattern(const char* steps, Hit hit) {
    for (int i = 0; i < 16 && steps[i]; ++i) {
        if (steps[i] == 'x') hit(i, 1.0f);
        if (steps[i] == 'o') hit(i, 0.45f);
    }
}

struct Band {
    Mixer mix;
    Route pad{&mix.wide, 0, 0.35f, 0};
    Route bass{&mix.ducked, 0, 0, 0};
    Route lead{&mix.main, 0.1f, 0.3f, 0.25f};
    Route arp{&mix.main, -0.25f, 0.2f, 0.4f};
    Route stab{&mix.ducked, 0.2f, 0.25f, 0.15f};
    Route brass{&mix.main, 0, 0.4f, 0.1f};
    Route bell{&mix.main, 0.35f, 0.5f, 0.3f};
};

void playPhrase(Band& band, const Route& route, const std::vector<Step>& bar, double barStart, float level,
                void (*voice)(Mixer&, const Route&, const Note&, float), float brightness, int transpose = 0,
                double legato = 0.9) {
    for (const Step& s : bar) {
        voice(band.mix, route, Note{barStart + s.at * kStep, s.length * kStep * legato, s.pitch + transpose, level},
              brightness);
    }
}

void padChord(Band& band, const Chord& chord, double start, double length, float level, float from, float to) {
    for (int tone : chord.tones) padNote(band.mix, band.pad, Note{start, length, tone, level}, from, to);
}

// Sixteenth arpeggio over the chord, rising and falling across two octaves.
void arpeggio(Band& band, const Chord& chord, double barStart, float level, float brightness, int stepsEvery = 1) {
    const int order[8] = {0, 1, 2, 3, 2, 1, 3, 2};
    const int notes[4] = {chord.tones[0] + 12, chord.tones[1] + 12, chord.tones[2] + 12, chord.tones[0] + 24};
    for (int i = 0; i < 16; i += stepsEvery) {
        const float accent = i % 4 == 0 ? 1.0f : 0.7f;
        pluckNote(band.mix, band.arp, Note{barStart + i * kStep, kStep * 0.8, notes[order[i % 8]], level * accent},
                  brightness);
    }
}

void bassLine(Band& band, const Chord& chord, double barStart, const char* steps, float level, float brightness,
              bool octaves) {
    pattern(steps, [&](int i, float accent) {
        const int pitch = chord.bass + (octaves && i % 4 == 2 ? 12 : 0);
        bassNote(band.mix, band.bass, Note{barStart + i * kStep, kStep * 0.85, pitch, level * accent}, brightness);
    });
}

void drums(Band& band, double barStart, const char* kicks, const char* snares, const char* hats, float level,
           float pumpDepth, float snareVerb = 0.18f) {
    pattern(kicks,
            [&](int i, float accent) { kick(band.mix, barStart + i * kStep, level * accent, pumpDepth * accent); });
    pattern(snares,
            [&](int i, float accent) { snare(band.mix, barStart + i * kStep, level * accent * 0.8f, snareVerb); });
    for (int i = 0; i < 16 && hats[i]; ++i) {
        // Off-beat sixteenths come a touch late: the hats swing against the straight kick.
        const double t = barStart + (i + (i % 2 ? 0.12 : 0.0)) * kStep;
        const float pan = i % 2 ? 0.3f : -0.2f;
        if (hats[i] == 'x') hat(band.mix, t, level * 0.55f, false, pan);
        if (hats[i] == 'g') hat(band.mix, t, level * 0.3f, false, pan);
        if (hats[i] == 'o') hat(band.mix, t, level * 0.5f, true, pan);
    }
}

// Snare hits that speed up and swell from `start` to `end`: the classic build into a drop.
void snareRoll(Band& band, double start, double end, float from, float to) {
    double t = start;
    while (t < end - 1e-9) {
        const double progress = (t - start) / (end - start);
        snare(band.mix, t, from + (to - from) * static_cast<float>(progress), 0.25f);
        t += progress < 0.5 ? 2 * kStep : progress < 0.8 ? kStep : kStep / 2;
    }
}

// 0-47 s: pads alone, then arpeggio, beat and bass, then snare and the theme.
void intro(Band& band, const SectionMarks& marks) {
    const double s = marks.intro;
    for (int bar = 0; bar < 23; ++bar) {
        const double t = at(s, bar, 0);
        const Chord& chord = kHome[bar % 4];
        const float rise = bar / 22.0f;
        padChord(band, chord, t, kBar, 0.9f, 0.2f + 0.45f * rise, 0.2f + 0.45f * (bar + 1) / 22.0f);
        if (bar >= 2) arpeggio(band, chord, t, 0.16f + 0.2f * rise, 0.2f + 0.5f * rise, bar < 8 ? 2 : 1);
        if (bar < 8) bassNote(band.mix, band.bass, Note{t, kBar - 0.1, chord.bass, 0.35f}, 0.05f);
        // The theme's opening, on bells, before anyone plays it in full.
        if (bar >= 4 && bar < 8 && bar % 2 == 0) {
            for (const Step& step : kThemeA[bar % 4]) {
                bellNote(band.mix, band.bell, Note{t + step.at * kStep, step.length * kStep, step.pitch + 12, 0.35f});
            }
        }
        if (bar >= 8) {
            const bool full = bar >= 16;
            drums(band, t, "x...x...x...x...", full ? "....x.......x..." : "",
                  full ? "gxgxgogxgxgxgogx" : "..x...x...x...x.", 0.75f + 0.2f * rise, 0.35f);
            bassLine(band, chord, t, full ? "..x...x...xx..x." : "..x...x...x...x.", 0.65f, 0.2f + 0.4f * rise, full);
        }
        if (bar >= 16) {
            const Phrase& theme = bar < 20 ? kThemeA : kThemeB;
            playPhrase(band, band.lead, theme[(bar - 16) % 4], t, 0.5f, leadNote, 0.45f);
        }
    }
    riser(band.mix, at(s, 6, 0), 2 * kBar, 0.3f);
    crash(band.mix, at(s, 8, 0), 0.5f);
    crash(band.mix, at(s, 16, 0), 0.7f);
    // Half a bar of kick and rising snare hands over to the breakdown.
    const double fill = at(s, 23, 0);
    padChord(band, kG, fill, kBar / 2, 0.7f, 0.65f, 0.7f);
    kick(band.mix, fill, 0.9f, 0.3f);
    kick(band.mix, fill + 4 * kStep, 0.9f, 0.3f);
    snareRoll(band, fill, marks.breakdown, 0.35f, 0.6f);
}

// 47-50 s: the picture fades; the beat stops, a dominant swells and a riser pulls into the drop.
void breakdown(Band& band, const SectionMarks& marks) {
    const double s = marks.breakdown, length = marks.drop - marks.breakdown;
    padChord(band, kE, s, length - 0.2, 0.8f, 0.3f, 0.95f);
    bassNote(band.mix, band.bass, Note{s, length - 0.3, kE.bass, 0.5f}, 0.1f);
    leadNote(band.mix, band.lead, Note{s, 1.4, 76, 0.45f}, 0.5f);
    leadNote(band.mix, band.lead, Note{s + 1.5, 1.2, 80, 0.5f}, 0.6f);
    riser(band.mix, s - 1, length + 0.9, 0.55f);
    snareRoll(band, s + 1, marks.drop - kStep, 0.2f, 0.75f);
}

// 50-68 s: the drop and the groove: four-to-the-floor, pumping bass and pads, the theme in full.
void drop(Band& band, const SectionMarks& marks) {
    const double s = marks.drop;
    boom(band.mix, s, 0.9f);
    crash(band.mix, s, 0.9f);
    for (int bar = 0; bar < 8; ++bar) {
        const double t = at(s, bar, 0);
        const Chord& chord = kHome[bar % 4];
        padChord(band, chord, t, kBar, 0.6f, 0.6f, 0.75f);
        drums(band, t, "x...x...x...x...", "....x.......x...", "gxgogxgogxgogxgo", 1.0f, 0.75f);
        bassLine(band, chord, t, ".xxx.xxx.xxx.xxx", 0.8f, 0.55f, true);
        for (int stabAt : {3, 6, 11}) {
            for (int tone : chord.tones) {
                pluckNote(band.mix, band.stab, Note{t + stabAt * kStep, kStep, tone + 12, 0.22f}, 0.6f);
            }
        }
        const Phrase& theme = bar < 4 ? kThemeA : kThemeB;
        playPhrase(band, band.lead, theme[bar % 4], t, 0.6f, leadNote, 0.8f);
        if (bar >= 4) playPhrase(band, band.arp, theme[bar % 4], t, 0.16f, pluckNote, 0.7f, 12, 0.5);
    }
    crash(band.mix, at(s, 4, 0), 0.6f);
    // Bar nine turns to A major, the doorway into D minor.
    const double turn = at(s, 8, 0);
    padChord(band, kA, turn, kBar, 0.65f, 0.7f, 0.9f);
    drums(band, turn, "x...x...x.x.....", "....x...........", "gxgogxgogxgogxgo", 1.0f, 0.7f);
    bassLine(band, kA, turn, ".xxx.xxx........", 0.8f, 0.6f, true);
    tom(band.mix, turn + 10 * kStep, 52, 0.8f);
    tom(band.mix, turn + 12 * kStep, 47, 0.85f);
    tom(band.mix, turn + 14 * kStep, 43, 0.9f);
    leadNote(band.mix, band.lead, Note{turn, 6 * kStep, 76, 0.55f}, 0.8f);
    leadNote(band.mix, band.lead, Note{turn + 6 * kStep, 4 * kStep, 73, 0.55f}, 0.8f);
    riser(band.mix, turn + kBar / 2, kBar / 2, 0.35f);
}

// 68-83 s: the atom. D minor, broken beat, a nervous arpeggio and a staccato hook with bells.
void atom(Band& band, const SectionMarks& marks) {
    const double s = marks.atom;
    crash(band.mix, s, 0.8f);
    for (int bar = 0; bar < 7; ++bar) {
        const double t = at(s, bar, 0);
        const Chord& chord = kAtom[bar % 4];
        padChord(band, chord, t, kBar, 0.45f, 0.45f, 0.55f);
        drums(band, t, "x.....x...x.....", "....x..o....x..o", "xgxgxgxgxgxgxgog", 0.95f, 0.5f);
        bassLine(band, chord, t, "x..x..x.x..x..x.", 0.8f, 0.45f, true);
        arpeggio(band, chord, t, 0.22f, 0.75f);
        playPhrase(band, band.lead, kAtomMotif[bar % 4], t, 0.5f, leadNote, 0.9f, 0, 0.55);
        if (bar >= 4) playPhrase(band, band.arp, kAtomMotif[bar % 4], t, 0.2f, pluckNote, 0.8f, 12, 0.5);
        bellNote(band.mix, band.bell, Note{t, 0.5, chord.tones[2] + 24, 0.45f});
    }
    // Half a bar of toms tumbles into the dark section.
    const double fill = at(s, 7, 0);
    padChord(band, kC, fill, kBar / 2, 0.45f, 0.5f, 0.3f);
    kick(band.mix, fill, 0.9f, 0.4f);
    for (int i = 0; i < 4; ++i) tom(band.mix, fill + (2 + 2 * i) * kStep, 55 - 4 * i, 0.6f + 0.1f * i);
}

// 83-93 s: Vader. Half-time, low brass over a galloping bass in a phrygian shade of A minor.
void vader(Band& band, const SectionMarks& marks) {
    const double s = marks.vader;
    boom(band.mix, s, 1.0f);
    crash(band.mix, s, 0.7f);
    for (int bar = 0; bar < 5; ++bar) {
        const double t = at(s, bar, 0);
        const Chord& chord = kDark[bar];
        padChord(band, chord, t, kBar, 0.6f, 0.2f, 0.3f);
        drums(band, t, "x.........x..o..", "........x.......", "..g...g...g...g.", 1.0f, 0.55f, 0.4f);
        bassLine(band, chord, t, "x.xx..x.xx..x.xx", 0.85f, 0.25f, false);
        playPhrase(band, band.brass, kDarkTheme[bar], t, 0.75f, brassNote, 0.5f, 0, 0.95);
        playPhrase(band, band.brass, kDarkTheme[bar], t, 0.45f, brassNote, 0.3f, -12, 0.95);
    }
    const double roll = at(s, 4, 8);
    for (int i = 0; i < 4; ++i) tom(band.mix, roll + 2 * i * kStep, 50 - 3 * i, 0.7f + 0.08f * i);
}

// 93-100 s: the closing picture. One last hit, the home chord with an added ninth, the theme on bells.
void outro(Band& band, const SectionMarks& marks) {
    const double s = marks.outro;
    kick(band.mix, s, 1.0f, 0.0f);
    crash(band.mix, s, 0.8f);
    padChord(band, kAm, s, 4.8, 0.7f, 0.55f, 0.1f);
    padNote(band.mix, band.pad, Note{s, 4.8, 71, 0.5f}, 0.5f, 0.1f);
    bassNote(band.mix, band.bass, Note{s, 3.5, 33, 0.6f}, 0.15f);
    const std::vector<Step>& motif = kThemeA[0];
    for (const Step& step : motif) {
        bellNote(band.mix, band.bell,
                 Note{s + 0.5 + step.at * kStep * 1.5, step.length * kStep, step.pitch + 12, 0.5f});
    }
    for (int i = 0; i < 8; ++i) {
        const int tones[4] = {69, 72, 76, 83};
        pluckNote(band.mix, band.arp, Note{s + 2 * i * kStep * (1 + i * 0.15), kStep, tones[i % 4], 0.2f - 0.02f * i},
                  0.4f);
    }
}

}  // namespace

Mixer performScore() {
    Band band;
    band.mix = makeMixer(soundtrackSeconds);
    const SectionMarks marks;
    intro(band, marks);
    breakdown(band, marks);
    drop(band, marks);
    atom(band, marks);
    vader(band, marks);
    outro(band, marks);
    return std::move(band.mix);
}
