// The life of one rendering context: runStartup is the last step of openWindow, runShutdown
// the last step of closeWindow. F1 runs both, in that order, and the scene state carries on.
#pragma once

// Textures, lists, GL state, quadric, demo clock, element records, texture archive and music,
// in one fixed order; no step's failure stops it. Always 1.
int runStartup();
// Releases what start-up made that outlives the context: the music and the quadric; and the
// glyph lists, which go with the context in any case.
void runShutdown();
