#include "ShapeRaster.h"

#include <algorithm>
#include <cmath>

namespace {

struct Edge {
    double x0, y0, x1, y1;
};

// One path's outline in sample coordinates, curves cut into 8 lines.
void Flatten(const SwfPath& path, double dx, double dy, double scale, std::vector<Edge>& edges)
{
    auto px = [&](double twips, double offset) { return (twips / kTwipsPerPixel + offset) * scale; };
    double x = px(path.startX, dx), y = px(path.startY, dy);
    for (const SwfPathSegment& s : path.segments) {
        double ex = px(s.x, dx), ey = px(s.y, dy);
        if (s.curve) {
            double cx = px(s.controlX, dx), cy = px(s.controlY, dy);
            double lastX = x, lastY = y;
            for (int i = 1; i <= 8; ++i) {
                double t = i / 8.0, u = 1 - t;
                double nx = u * u * x + 2 * u * t * cx + t * t * ex;
                double ny = u * u * y + 2 * u * t * cy + t * t * ey;
                edges.push_back({ lastX, lastY, nx, ny });
                lastX = nx;
                lastY = ny;
            }
        } else {
            edges.push_back({ x, y, ex, ey });
        }
        x = ex;
        y = ey;
    }
}

} // namespace

ShapeRaster::ShapeRaster(int width, int height, std::uint32_t backgroundRgb)
    : m_width(width)
    , m_height(height)
    , m_rgb(static_cast<std::size_t>(width * kScale) * height * kScale * 3)
{
    for (std::size_t i = 0; i < m_rgb.size(); i += 3) {
        m_rgb[i] = static_cast<float>((backgroundRgb >> 16) & 0xff) / 255.0f;
        m_rgb[i + 1] = static_cast<float>((backgroundRgb >> 8) & 0xff) / 255.0f;
        m_rgb[i + 2] = static_cast<float>(backgroundRgb & 0xff) / 255.0f;
    }
}

void ShapeRaster::Draw(const SwfShape& shape, double x, double y)
{
    int width = m_width * kScale, height = m_height * kScale;
    for (const SwfPath& path : shape.Paths()) {
        std::uint32_t rgba = shape.FillColor(path.fill);
        if (path.fill == 0 || (rgba & 0xff) == 0)
            continue;
        std::vector<Edge> edges;
        Flatten(path, x, y, kScale, edges);
        float color[3] = { static_cast<float>((rgba >> 24) & 0xff) / 255.0f,
            static_cast<float>((rgba >> 16) & 0xff) / 255.0f,
            static_cast<float>((rgba >> 8) & 0xff) / 255.0f };
        float alpha = static_cast<float>(rgba & 0xff) / 255.0f;
        // Even-odd scanline fill through each sample row's centre.
        std::vector<double> crossings;
        for (int row = 0; row < height; ++row) {
            double sy = row + 0.5;
            crossings.clear();
            for (const Edge& e : edges) {
                if ((e.y0 <= sy) != (e.y1 <= sy))
                    crossings.push_back(e.x0 + (sy - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0));
            }
            std::sort(crossings.begin(), crossings.end());
            for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
                int from = std::max(0, static_cast<int>(std::ceil(crossings[i] - 0.5)));
                int to = std::min(width, static_cast<int>(std::ceil(crossings[i + 1] - 0.5)));
                for (int column = from; column < to; ++column) {
                    float* px = &m_rgb[(static_cast<std::size_t>(row) * width + column) * 3];
                    for (int c = 0; c < 3; ++c)
                        px[c] = px[c] * (1 - alpha) + color[c] * alpha;
                }
            }
        }
    }
}

RgbImage ShapeRaster::Picture() const
{
    RgbImage image;
    image.width = m_width;
    image.height = m_height;
    image.rgb.resize(static_cast<std::size_t>(m_width) * m_height * 3);
    int width = m_width * kScale;
    for (int y = 0; y < m_height; ++y) {
        for (int x = 0; x < m_width; ++x) {
            for (int c = 0; c < 3; ++c) {
                float sum = 0;
                for (int sy = 0; sy < kScale; ++sy) {
                    for (int sx = 0; sx < kScale; ++sx)
                        sum += m_rgb[(static_cast<std::size_t>(y * kScale + sy) * width + x * kScale + sx) * 3
                            + c];
                }
                image.rgb[(static_cast<std::size_t>(y) * m_width + x) * 3 + c]
                    = static_cast<std::uint8_t>(std::lround(sum / (kScale * kScale) * 255.0f));
            }
        }
    }
    return image;
}
