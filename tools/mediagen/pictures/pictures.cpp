// generatePictures: paints every picture, encodes it and writes the archive and the BMPs.
// Names, slots and order come from the demo's media manifest.
#include <string>
#include <utility>
#include <vector>

#include "assets/media_manifest.h"
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

}  // namespace

int generatePictures(const std::string& outDir) {
    if (!openTextFace(kFontPath)) return 0;
    const Layer font = quantised(fontSheet());
    const Canvas fontPicture = greyOf(font, false), fontMask = greyOf(font, true);
    const RocketArt rocket = tinRocket();
    const TitleArt code = titleWord("CODE", 1), musik = titleWord("MUSIK", 2), gfx = titleWord("GFX", 3);

    // Encoded pictures by texture slot; the manifest says where each one goes.
    Bytes encoded[textureSlotCount];
    encoded[sparkSlot] = jpegOf(spark());
    encoded[moonBaseSlot] = jpegOf(spaceBase());
    encoded[wowBubbleSlot] = jpegOf(speechBubble("WOW!", true));
    encoded[zoomBubbleSlot] = jpegOf(speechBubble("ZOOM!", false));
    encoded[archiveFontSlot] = jpegOf(fontPicture);
    encoded[archiveFontMaskSlot] = jpegOf(fontMask);
    encoded[rocketSlot] = jpegOf(rocket.colour);
    encoded[rocketMaskSlot] = jpegOf(greyOf(rocket.solid, true));
    encoded[deepSpaceSlot] = jpegOf(deepSpace());
    encoded[blobsSlot] = jpegOf(blobs());
    encoded[calmBlobsSlot] = jpegOf(calmBlobs());
    encoded[battleSkySlot] = jpegOf(battleSky());
    encoded[hexPanelSlot] = jpegOf(hexPanels());
    encoded[blueAbstractSlot] = jpegOf(blueAbstract());
    encoded[chromeSlot] = jpegOf(chromeMap());
    encoded[electricArcsSlot] = jpegOf(electricArcs());
    encoded[codeTitleSlot] = jpegOf(code.colour);
    encoded[codeTitleMaskSlot] = jpegOf(greyOf(code.coverage, true));
    encoded[musikTitleSlot] = jpegOf(musik.colour);
    encoded[musikTitleMaskSlot] = jpegOf(greyOf(musik.coverage, true));
    encoded[gfxTitleSlot] = jpegOf(gfx.colour);
    encoded[gfxTitleMaskSlot] = jpegOf(greyOf(gfx.coverage, true));
    encoded[membersSlot] = jpegOf(closingPicture());
    closeTextFace();

    auto bmpOf = [](const Canvas& c) { return encodeBmp(toRgb8(c), c.width, c.height); };
    encoded[fontSlot] = bmpOf(fontPicture);
    encoded[fontMaskSlot] = bmpOf(fontMask);
    encoded[starfieldSlot] = bmpOf(starfieldSquare());
    encoded[particleSlot] = bmpOf(softDot());

    std::vector<std::pair<std::string, Bytes>> entries;
    for (const MediaPicture& picture : archivePictures)
        entries.emplace_back(picture.name, std::move(encoded[picture.slot]));
    const std::string dir = outDir + "/";
    if (!writeZip(dir + textureArchiveName, entries)) return 0;
    for (const MediaPicture& picture : bmpPictures)
        if (!writeBytes(dir + mediaFileName(picture.name), encoded[picture.slot])) return 0;
    return 1;
}
