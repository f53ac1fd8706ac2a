#pragma once

// Builds a DefineShape3 tag body: fill and line styles, then closed paths
// of straight and curved (quadratic) edges. Coordinates are in pixels with
// y downward; paths drawn clockwise on screen are filled inside.

#include "flash/swf/SwfFormat.h"

#include <cstdint>
#include <vector>

struct SwfPathSegment {
    bool curve = false;
    std::int32_t controlX = 0; // twips, curves only
    std::int32_t controlY = 0;
    std::int32_t x = 0; // twips, the end point
    std::int32_t y = 0;
};

struct SwfPath {
    int fill = 0; // 1-based fill style, 0 for none
    int line = 0; // 1-based line style, 0 for none
    std::int32_t startX = 0;
    std::int32_t startY = 0;
    std::vector<SwfPathSegment> segments;
};

class SwfShape final {
public:
    // Style indexes start at 1; 0 means "none" in Begin().
    int SolidFill(std::uint32_t rgba);
    // The bitmap drawn pixel for pixel with its top left corner at x, y.
    int BitmapFill(std::uint16_t bitmapId, double x, double y, bool smoothed = false);
    int LineStyle(double widthPixels, std::uint32_t rgba);

    // Starts a path with these styles at x, y.
    void MoveTo(double x, double y, int fill, int line = 0);
    void LineTo(double x, double y);
    void CurveTo(double controlX, double controlY, double x, double y);

    void Rectangle(double x, double y, double width, double height, int fill, int line = 0);
    // Rounded corners of `radius`, drawn with curves.
    void RoundedRectangle(
        double x, double y, double width, double height, double radius, int fill, int line = 0);
    // A closed polygon through the points (x0, y0, x1, y1, ...).
    void Polygon(const std::vector<double>& points, int fill, int line = 0);
    void Circle(double centerX, double centerY, double radius, int fill, int line = 0);

    const std::vector<SwfPath>& Paths() const { return m_paths; }
    // RGBA of a solid fill style, 0 for a bitmap fill.
    std::uint32_t FillColor(int fill) const;
    SwfRect Bounds() const;
    std::vector<std::uint8_t> DefineShape3(std::uint16_t id) const;

private:
    struct Fill {
        std::uint32_t rgba = 0;
        std::uint16_t bitmapId = 0; // 0: solid
        std::int32_t x = 0;
        std::int32_t y = 0;
        bool smoothed = false;
    };
    struct Line {
        std::uint16_t width = 0; // twips
        std::uint32_t rgba = 0;
    };

    std::vector<Fill> m_fills;
    std::vector<Line> m_lines;
    std::vector<SwfPath> m_paths;
};
