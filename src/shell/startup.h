// The start-up sequence that every new rendering context runs: textures, lists, GL state,
// quadric, demo clock, element records, texture archive and music, in one fixed order.
#pragma once

int runStartup();
