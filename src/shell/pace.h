// The demo's pace: chain call k belongs to second k / 60 of the demo clock, live and in every
// recording; the pictures shown or written sample those calls.
#pragma once

// How the model works
// -------------------
// The demo is composed against its music at demoCallsPerSecond chain calls a second: half
// of its motion moves per call. So the chain runs at that rate whatever the display, the
// machine or the recording's rate, and pictures are a separate matter:
//
//  - A picture at `fps` pictures a second, number n, shows the call nearest its time n / fps.
//    At 60 every call is drawn; at 30 every second one; above 60 a call's picture serves
//    several pictures. A call that no picture shows is made undrawn: the whole chain runs
//    inside an empty scissor box, so its state moves on and nothing is rasterised.
//  - Live, each call waits for its turn on a schedule of the precise clock. A machine that
//    falls behind makes up the missed calls undrawn, at most maxMadeUpCalls before each
//    picture; beyond that the schedule starts again from now, so a machine that cannot keep
//    up slows the demo down rather than stalling it.
//  - A recording owns its clock (PACE_VIRTUAL): it sets the virtual time of every call
//    itself and nothing ever waits.
//  - PACE_UNCAPPED is the loop as first written: one drawn call per pass, as fast as the
//    machine and the display's vsync let it go; its pace is then the frame rate.

enum PaceMode {
    PACE_LIVE = 0,
    PACE_VIRTUAL = 1,
    PACE_UNCAPPED = 2,
};

// Made-up calls allowed before each picture: a machine that draws 15 pictures a second still
// keeps the pace; below that the demo slows down.
constexpr int maxMadeUpCalls = 3;

// What the loop does with the next chain call.
struct PacedCall {
    int pictures;  // pictures that show this call; 0: make it undrawn
    int madeUp;    // 1 when it is undrawn only because the machine fell behind
};

// Pictures at `fps` a second that show chain call `call`: those whose time lies nearer to
// it than to any other call (a tie goes to the later call).
int picturesOfCall(long call, int fps);
// The number of the first picture at `fps` that shows `call` or a later one.
long firstPictureOfCall(long call, int fps);

// A new run of the loop: calls counted from 0, pictures at `fps` a second (live: at most
// one a call).
void paceStart(PaceMode mode, int fps);
// The schedule starts again at the next call (a new window, the window restored).
void paceRestart();
// Live: waits until the next call is due. Says how to make it.
PacedCall paceNextCall();
// The call was made; the next one is counted.
void paceCallMade();
// Chain calls made since paceStart.
long paceCalls();
// The swap interval that presents `fps` pictures a second on a display refreshing at
// `refreshHz`: a whole number of refreshes when the rate divides into it, else 1.
int paceSwapInterval(int refreshHz, int fps);
