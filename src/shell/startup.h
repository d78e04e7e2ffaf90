// The life of one rendering context: runStartup is the last step of openWindow, runShutdown
// the first step of closeWindow. F1 runs both, in that order, and the scene state carries on.
#pragma once

// Textures, lists, GL state, quadric, demo clock, element records, texture archive and music,
// in one fixed order; no step's failure stops it. Always 1.
int runStartup();
// Stops the music, then releases the quadric, the cube and glyph lists and the textures that
// start-up made, with their context still current; safe to call when start-up never ran.
void runShutdown();
