// Every picture of the default media, each a function of nothing but its own seed.
// Sizes follow the quads they are drawn on; the first row is the top as seen on screen.
#pragma once

#include "canvas.h"
#include "render/facing_quad.h"

// The proportions of the outlines the pictures are drawn on in the demo.
constexpr float kTallAspect = quadAspect(slidingBackdropQuad);  // rymdbas, rymd
constexpr float kWideAspect = quadAspect(screenBackdropQuad);   // the four screen backdrops
constexpr float kRocketAspect = quadAspect(rocketQuad);

// The 8 x 8 glyph sheet (codes 32..95), white on black, 256 x 256; the mask is 1 - this.
Layer fontSheet();

Canvas spaceBase();        // rymdbas: moon base at the bottom, sky and nebula above
Canvas deepSpace();        // rymd: nebula, stars, a ringed planet
Canvas battleSky();        // BGtie: a large planet and a fight in the distance
Canvas starfieldSquare();  // rymd.bmp

// The toy rocket: colour premultiplied by coverage (with an additive flame), and the
// coverage of its solid parts, from which the mask is made.
struct RocketArt {
    Canvas colour;
    Layer solid;
};
RocketArt tinRocket();

Canvas speechBubble(const char* words, bool tailLeft);
// A title word on black and its coverage, for the title/mask pairs.
struct TitleArt {
    Canvas colour;
    Layer coverage;
};
TitleArt titleWord(const char* word, uint32_t seed);
Canvas closingPicture();

Canvas spark();         // 3.jpg
Canvas softDot();       // particle.bmp
Canvas chromeMap();     // sphere map: ground at the top rows, sky at the bottom rows
Canvas hexPanels();     // tietex
Canvas blobs();         // blomp
Canvas calmBlobs();     // backblomp
Canvas blueAbstract();  // bluetexture
Canvas electricArcs();  // BGspike
