// Image decoders. (Stub until the decoders land.)
#include "assets/image.h"

int loadImage(Image*, const char*, TextureArchive*) { return 0; }
int decodeTga(Image*, const unsigned char*, size_t, const char*) { return 0; }
int decodeJpeg(Image*, const unsigned char*, size_t, const char*) { return 0; }
void computeAverageColour(Image*) {}
void convertToGrey(Image*) {}
void resampleImage(Image*, int, int) {}
