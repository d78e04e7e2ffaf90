// The demo's media in one place: every texture slot by name, the file each is loaded from
// and what it shows, the texture archive and the soundtrack. Demo, generator, build and tests read it.
#pragma once

// Texture bank slots. Scenes bind by these names; 23 and 28 hold names without pictures.
enum TextureSlot : int {
    sparkSlot = 0,      // the atom scene's sprites
    moonBaseSlot = 1,   // the intro's sliding backdrop
    wowBubbleSlot = 2,  // the journey's speech bubble
    zoomBubbleSlot = 3,
    archiveFontSlot = 4,
    archiveFontMaskSlot = 5,
    rocketSlot = 6,  // the rocket of the intro and the journey, and the intro's particles
    rocketMaskSlot = 7,
    deepSpaceSlot = 8,   // the journey's sliding backdrop
    blobsSlot = 9,       // the journey's cube, the sine cubes, the atom's electron
    calmBlobsSlot = 10,  // the sine-cube backdrop
    battleSkySlot = 11,  // the Vader backdrop and the ship's struts
    hexPanelSlot = 12,   // the ship's wings
    blueAbstractSlot = 13,
    chromeSlot = 14,        // the nucleus and its spikes
    electricArcsSlot = 15,  // the atom backdrop
    codeTitleSlot = 16,
    codeTitleMaskSlot = 17,
    musikTitleSlot = 18,
    musikTitleMaskSlot = 19,
    gfxTitleSlot = 20,
    gfxTitleMaskSlot = 21,
    membersSlot = 22,   // the closing picture
    fontSlot = 24,      // caption glyphs
    fontMaskSlot = 25,  // caption glyph mask
    starfieldSlot = 26,
    particleSlot = 27,
};

constexpr int textureSlotCount = 29;
constexpr int archiveSlotCount = 23;  // slots 0-22 come from the archive, in slot order
constexpr int bmpPictureCount = 4;

struct MediaPicture {
    TextureSlot slot;
    const char* name;   // entry name in the archive, or the BMP's path as the demo opens it
    const char* shows;  // what the generator paints for it
};

// Archive entry names, looked up without regard to case; also the order of the archive.
inline constexpr MediaPicture archivePictures[archiveSlotCount] = {
    {sparkSlot, "3.jpg", "a bright spark on black"},
    {moonBaseSlot, "rymdbas.jpg", "a moon base at the bottom, sky and nebula above"},
    {wowBubbleSlot, "bubbla1.jpg", "a speech bubble saying WOW!"},
    {zoomBubbleSlot, "bubbla2.jpg", "a speech bubble saying ZOOM!"},
    {archiveFontSlot, "font.jpg", "the glyph sheet, white on black"},
    {archiveFontMaskSlot, "fontmask.jpg", "the glyph sheet's mask, black on white"},
    {rocketSlot, "tinraket.jpg", "a tin toy rocket with its flame, on black"},
    {rocketMaskSlot, "tinraketmask.jpg", "the rocket's solid parts in black on white"},
    {deepSpaceSlot, "rymd.jpg", "a nebula, stars and a ringed planet"},
    {blobsSlot, "blomp.jpg", "bright coloured blobs"},
    {calmBlobsSlot, "backblomp.jpg", "dim blobs with pink glints on purple"},
    {battleSkySlot, "BGtie.jpg", "a large planet and a fight in the distance"},
    {hexPanelSlot, "tietex.jpg", "hexagonal solar panels"},
    {blueAbstractSlot, "bluetexture.jpg", "a blue abstract pattern"},
    {chromeSlot, "chrome.jpg", "a sphere map: ground in the top rows, sky in the bottom rows"},
    {electricArcsSlot, "BGspike.jpg", "electric arcs"},
    {codeTitleSlot, "code.jpg", "the title word CODE"},
    {codeTitleMaskSlot, "codemask.jpg", "the mask of CODE"},
    {musikTitleSlot, "musik.jpg", "the title word MUSIK"},
    {musikTitleMaskSlot, "musikmask.jpg", "the mask of MUSIK"},
    {gfxTitleSlot, "gfx.jpg", "the title word GFX"},
    {gfxTitleMaskSlot, "gfxmask.jpg", "the mask of GFX"},
    {membersSlot, "members.jpg", "the title and credits over a planet at sunrise"},
};

// Loaded in this order, before anything else of the bank happens.
inline constexpr MediaPicture bmpPictures[bmpPictureCount] = {
    {fontSlot, "Data/font.bmp", "the glyph sheet, white on black"},
    {fontMaskSlot, "Data/fontmask.bmp", "the glyph sheet's mask, black on white"},
    {starfieldSlot, "Data/rymd.bmp", "a square star field"},
    {particleSlot, "Data/particle.bmp", "a soft round dot"},
};

inline constexpr const char* textureArchiveName = "textures.zip";  // opened below the data directory
inline constexpr const char* soundtrackPath = "data/muhsik.mp3";

// The last component of a media path: the name of the file in the data directory.
constexpr const char* mediaFileName(const char* path) {
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '/' || *p == '\\') name = p + 1;
    return name;
}

namespace media_manifest_checks {
constexpr bool inSlotOrder() {
    for (int k = 0; k < archiveSlotCount; ++k)
        if (archivePictures[k].slot != k) return false;
    return true;
}
static_assert(inSlotOrder(), "archive pictures are listed in slot order, one per slot");
static_assert(bmpPictures[0].slot == archiveSlotCount + 1 && bmpPictures[3].slot + 1 == textureSlotCount - 1,
              "the BMP pictures fill slots 24-27");
}  // namespace media_manifest_checks
