#pragma once

// Draws SWF shapes into an RGB picture, for the control-bar previews: solid
// fills only, curves flattened, four by four samples a pixel.

#include "flash/swf/JpegImage.h"
#include "flash/swf/SwfShape.h"

class ShapeRaster final {
public:
    ShapeRaster(int width, int height, std::uint32_t backgroundRgb);
    // Draws `shape` moved by x, y pixels.
    void Draw(const SwfShape& shape, double x, double y);
    RgbImage Picture() const;

private:
    static constexpr int kScale = 4;
    int m_width;
    int m_height;
    std::vector<float> m_rgb; // at kScale times the size, 0..1
};
