// The texture bank: 29 texture names in fixed slots, the four BMP pictures in slots 24-27
// and the 23 archive pictures in slots 0-22, each uploaded as a full mipmap chain.
#include "assets/texture_bank.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <string>

#include "assets/bmp_loader.h"
#include "assets/data_path.h"
#include "assets/image.h"
#include "assets/media_file.h"
#include "assets/picture_limits.h"
#include "assets/texture_archive.h"
#include "platform/gl.h"

TextureBank textureBank;

namespace {
// The names the archive load takes the place of: the big cube's list still binds two of them,
// so they live as long as the bank's own names.
GLuint replacedNames[archiveSlotCount];

// Rows are packed without gaps, so uploads read them with byte alignment; the caller's
// alignment comes back afterwards.
struct ByteAlignedUnpack {
    GLint previous = 4;
    ByteAlignedUnpack() {
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &previous);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    }
    ~ByteAlignedUnpack() { glPixelStorei(GL_UNPACK_ALIGNMENT, previous); }
    ByteAlignedUnpack(const ByteAlignedUnpack&) = delete;
    ByteAlignedUnpack& operator=(const ByteAlignedUnpack&) = delete;
};

// The loaders refuse pictures larger than a texture of this context can be.
void takeTextureSideLimit() {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    setTextureSideLimit(maxSize);
}

// Pictures the archive could not give, by why: one list each.
struct FailedPictures {
    int count = 0;
    std::string lists[3];  // missing, too large once inflated, damaged or not a picture

    void add(const TextureArchive* archive, const char* name) {
        const ArchiveEntry* entry = archiveFindEntry(archive, name);
        std::string& list = !entry ? lists[0] : entry->uncompressedSize > pictureFileByteCap ? lists[1] : lists[2];
        list += (list.empty() ? "" : ", ") + std::string(name);
        ++count;
    }

    // One line for the whole archive; an archive that did not open has said why already.
    void warn(const TextureArchive* archive) const {
        if (!count || !archive || !archive->handle) return;
        const std::string kinds[3] = {"missing", "over " + std::to_string(pictureFileByteCap >> 20) + " MiB inflated",
                                      "damaged or not a picture"};
        std::string detail;
        for (int k = 0; k < 3; ++k)
            if (!lists[k].empty()) detail += (detail.empty() ? "" : "; ") + kinds[k] + ": " + lists[k];
        warnMedia(resolveDataPath(archive->path),
                  "gives no picture for " + std::to_string(count) + " of its " + std::to_string(archiveSlotCount) +
                      " textures (" + detail + ")",
                  count == 1 ? "that texture stays empty" : "those textures stay empty");
    }
};

void releaseBmp(BmpImage* picture) {
    if (!picture) return;
    std::free(picture->pixels);
    std::free(picture);
}
}  // namespace

int loadBmpTextures() {
    BmpImage* pictures[bmpPictureCount];
    takeTextureSideLimit();
    for (int k = 0; k < bmpPictureCount; ++k) pictures[k] = loadBmp(bmpPictures[k].name);
    glGenTextures(textureSlotCount, textureBank.names);
    {
        ByteAlignedUnpack unpack;
        for (int k = 0; k < bmpPictureCount; ++k) {
            bindSlot(bmpPictures[k].slot);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
            if (pictures[k])
                gluBuild2DMipmaps(GL_TEXTURE_2D, 3, pictures[k]->width, pictures[k]->height, GL_RGB, GL_UNSIGNED_BYTE,
                                  pictures[k]->pixels);
        }
    }
    for (BmpImage* picture : pictures) releaseBmp(picture);
    return 1;
}

void loadArchiveTextures(TextureArchive* archive) {
    takeTextureSideLimit();
    std::copy(textureBank.names, textureBank.names + archiveSlotCount, replacedNames);
    glGenTextures(archiveSlotCount, textureBank.names);
    ByteAlignedUnpack unpack;
    FailedPictures failed;
    for (const MediaPicture& picture : archivePictures) {
        Image image{};
        // A picture too large for a texture has had its own line.
        const unsigned tooLargeBefore = pictureTooLargeCount();
        if (!loadImage(&image, picture.name, archive) && pictureTooLargeCount() == tooLargeBefore)
            failed.add(archive, picture.name);
        bindSlot(picture.slot);
        if (image.pixels) {
            // A 32-bit TGA keeps its alpha byte; it is read past so the colours stay right.
            const GLenum format = image.bitsPerPixel == 32 ? GL_RGBA : GL_RGB;
            gluBuild2DMipmaps(GL_TEXTURE_2D, 3, image.width, image.height, format, GL_UNSIGNED_BYTE, image.pixels);
        }
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        // The picture lives on in the texture; keeping the decoded copy would only grow
        // with every restart of the context.
        std::free(image.pixels);
    }
    failed.warn(archive);
}

void releaseTextures() {
    if (replacedNames[0]) glDeleteTextures(archiveSlotCount, replacedNames);
    if (textureBank.names[0]) glDeleteTextures(textureSlotCount, textureBank.names);
    std::fill(std::begin(replacedNames), std::end(replacedNames), 0u);
    std::fill(std::begin(textureBank.names), std::end(textureBank.names), 0u);
}
