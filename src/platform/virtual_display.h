// Inside the platform only: the display that tests simulate on the virtual clock, for the
// window code's refresh-rate query and swaps.
#pragma once

// The simulated display's refresh rate; 0 when none is simulated or the clock is real.
int simulatedDisplayHz();
// A swap on the simulated display: with vsync, moves the virtual clock to the refresh the
// swap would wait for.
void simulatedSwap(int interval);
