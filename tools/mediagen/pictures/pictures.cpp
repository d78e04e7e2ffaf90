// generatePictures: paints every picture, encodes it and writes the archive and the BMPs.
// The archive entries are in texture-slot order under the names the demo looks up.
#include <string>
#include <utility>
#include <vector>

#include "encode.h"
#include "media.h"
#include "pictures.h"
#include "text.h"

namespace {

constexpr int kJpegQuality = 94;
const char* const kFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

Bytes jpegOf(const Canvas& c) { return encodeJpeg(toRgb8(c), c.width, c.height, kJpegQuality); }

// A coverage layer as a grey picture: white shapes on black, or black on white.
Canvas greyOf(const Layer& l, bool inverted) {
    Canvas c(l.width, l.height, l.aspect);
    for (size_t k = 0; k < l.v.size(); ++k) {
        const float v = inverted ? 1.0f - l.v[k] : l.v[k];
        c.px[k] = {v, v, v};
    }
    return c;
}

// The font and its mask come from one quantised sheet, so the 8-bit pixels of the
// two add up to exactly 255 everywhere.
Layer quantised(Layer l) {
    for (float& v : l.v) v = static_cast<float>(static_cast<int>(v * 255.0f + 0.5f)) / 255.0f;
    return l;
}

} // namespace

int generatePictures(const std::string& outDir) {
    if (!openTextFace(kFontPath)) return 0;
    const Layer font = quantised(fontSheet());
    const Canvas fontPicture = greyOf(font, false), fontMask = greyOf(font, true);
    const RocketArt rocket = tinRocket();
    const TitleArt code = titleWord("CODE", 1), musik = titleWord("MUSIK", 2), gfx = titleWord("GFX", 3);

    std::vector<std::pair<std::string, Bytes>> entries;
    entries.emplace_back("3.jpg", jpegOf(spark()));
    entries.emplace_back("rymdbas.jpg", jpegOf(spaceBase()));
    entries.emplace_back("bubbla1.jpg", jpegOf(speechBubble("WOW!", true)));
    entries.emplace_back("bubbla2.jpg", jpegOf(speechBubble("ZOOM!", false)));
    entries.emplace_back("font.jpg", jpegOf(fontPicture));
    entries.emplace_back("fontmask.jpg", jpegOf(fontMask));
    entries.emplace_back("tinraket.jpg", jpegOf(rocket.colour));
    entries.emplace_back("tinraketmask.jpg", jpegOf(greyOf(rocket.solid, true)));
    entries.emplace_back("rymd.jpg", jpegOf(deepSpace()));
    entries.emplace_back("blomp.jpg", jpegOf(blobs()));
    entries.emplace_back("backblomp.jpg", jpegOf(calmBlobs()));
    entries.emplace_back("BGtie.jpg", jpegOf(battleSky()));
    entries.emplace_back("tietex.jpg", jpegOf(hexPanels()));
    entries.emplace_back("bluetexture.jpg", jpegOf(blueAbstract()));
    entries.emplace_back("chrome.jpg", jpegOf(chromeMap()));
    entries.emplace_back("BGspike.jpg", jpegOf(electricArcs()));
    entries.emplace_back("code.jpg", jpegOf(code.colour));
    entries.emplace_back("codemask.jpg", jpegOf(greyOf(code.coverage, true)));
    entries.emplace_back("musik.jpg", jpegOf(musik.colour));
    entries.emplace_back("musikmask.jpg", jpegOf(greyOf(musik.coverage, true)));
    entries.emplace_back("gfx.jpg", jpegOf(gfx.colour));
    entries.emplace_back("gfxmask.jpg", jpegOf(greyOf(gfx.coverage, true)));
    entries.emplace_back("members.jpg", jpegOf(closingPicture()));
    closeTextFace();

    auto bmpOf = [](const Canvas& c) { return encodeBmp(toRgb8(c), c.width, c.height); };
    const std::string dir = outDir + "/";
    return writeZip(dir + "textures.zip", entries) && writeBytes(dir + "font.bmp", bmpOf(fontPicture)) &&
                   writeBytes(dir + "fontmask.bmp", bmpOf(fontMask)) &&
                   writeBytes(dir + "rymd.bmp", bmpOf(starfieldSquare())) &&
                   writeBytes(dir + "particle.bmp", bmpOf(softDot()))
               ? 1
               : 0;
}
