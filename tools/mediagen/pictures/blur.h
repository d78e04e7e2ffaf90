// Blur and dilation of coverage layers: glows, soft shadows and outlines.
// Radii are in view units and converted per axis, so glows stay round on stretched texels.
#pragma once

#include "canvas.h"

// Three box passes per axis, close to a Gaussian of standard deviation `sigma`.
Layer blurred(const Layer& src, float sigma);
// Maximum over a disc of `radius`: grows a shape for outlines and strokes.
Layer dilated(const Layer& src, float radius);
