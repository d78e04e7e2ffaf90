// Live play's frame statistics, per scene shown: pictures presented, calls made up undrawn,
// the time between pictures and the pictures late for the pace; --stats prints them.
#pragma once

#include <string>

// A new run that means to present `fps` pictures a second.
void statsStart(int fps);
// A call of the scene chain at `scene` was made up undrawn.
void statsMadeUp(int scene);
// A picture of `scene` went to the screen at `nowSeconds` of the precise clock.
void statsPresented(int scene, double nowSeconds);
// The time until the next picture is no frame time (a new window, a minimized stretch).
void statsPause();
// One line per scene that was shown, in chain order; empty when none was.
std::string statsReport();
