#include "flash/swf/SwfShape.h"

#include "flash/swf/SwfBitWriter.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>

namespace {

std::int32_t Twips(double pixels)
{
    return static_cast<std::int32_t>(std::lround(pixels * kTwipsPerPixel));
}

// Edge deltas fit in 17-bit signed fields (the 4-bit width field counts
// from 2): longer straight edges are cut in halves.
constexpr std::int32_t kMaxEdgeDelta = (1 << 16) - 1;

void WriteStraight(SwfBitWriter& out, std::int32_t dx, std::int32_t dy)
{
    if (std::abs(dx) > kMaxEdgeDelta || std::abs(dy) > kMaxEdgeDelta) {
        WriteStraight(out, dx / 2, dy / 2);
        WriteStraight(out, dx - dx / 2, dy - dy / 2);
        return;
    }
    unsigned bits = std::max({ SwfBitWriter::SignedBits(dx), SwfBitWriter::SignedBits(dy), 2u });
    out.UB(2, 0b11); // edge, straight
    out.UB(4, bits - 2);
    out.UB(1, 1); // general line: both deltas
    out.SB(bits, dx);
    out.SB(bits, dy);
}

} // namespace

int SwfShape::SolidFill(std::uint32_t rgba)
{
    m_fills.push_back({ rgba, 0, 0, 0, false });
    return static_cast<int>(m_fills.size());
}

int SwfShape::BitmapFill(std::uint16_t bitmapId, double x, double y, bool smoothed)
{
    m_fills.push_back({ 0, bitmapId, Twips(x), Twips(y), smoothed });
    return static_cast<int>(m_fills.size());
}

int SwfShape::LineStyle(double widthPixels, std::uint32_t rgba)
{
    m_lines.push_back({ static_cast<std::uint16_t>(Twips(widthPixels)), rgba });
    return static_cast<int>(m_lines.size());
}

std::uint32_t SwfShape::FillColor(int fill) const
{
    return fill >= 1 && fill <= static_cast<int>(m_fills.size()) ? m_fills[fill - 1].rgba : 0;
}

void SwfShape::MoveTo(double x, double y, int fill, int line)
{
    m_paths.push_back({ fill, line, Twips(x), Twips(y), {} });
}

void SwfShape::LineTo(double x, double y)
{
    // Players drop a whole path that holds an edge of length 0.
    SwfPath& path = m_paths.back();
    std::int32_t lastX = path.segments.empty() ? path.startX : path.segments.back().x;
    std::int32_t lastY = path.segments.empty() ? path.startY : path.segments.back().y;
    if (Twips(x) != lastX || Twips(y) != lastY)
        path.segments.push_back({ false, 0, 0, Twips(x), Twips(y) });
}

void SwfShape::CurveTo(double controlX, double controlY, double x, double y)
{
    m_paths.back().segments.push_back({ true, Twips(controlX), Twips(controlY), Twips(x), Twips(y) });
}

void SwfShape::Rectangle(double x, double y, double width, double height, int fill, int line)
{
    Polygon({ x, y, x + width, y, x + width, y + height, x, y + height }, fill, line);
}

void SwfShape::RoundedRectangle(
    double x, double y, double width, double height, double radius, int fill, int line)
{
    double r = std::min({ radius, width / 2, height / 2 });
    double right = x + width, bottom = y + height;
    MoveTo(x + r, y, fill, line);
    LineTo(right - r, y);
    CurveTo(right, y, right, y + r);
    LineTo(right, bottom - r);
    CurveTo(right, bottom, right - r, bottom);
    LineTo(x + r, bottom);
    CurveTo(x, bottom, x, bottom - r);
    LineTo(x, y + r);
    CurveTo(x, y, x + r, y);
}

void SwfShape::Polygon(const std::vector<double>& points, int fill, int line)
{
    if (points.size() < 4)
        return;
    MoveTo(points[0], points[1], fill, line);
    for (std::size_t i = 2; i + 1 < points.size(); i += 2)
        LineTo(points[i], points[i + 1]);
    LineTo(points[0], points[1]);
}

void SwfShape::Circle(double centerX, double centerY, double radius, int fill, int line)
{
    // Eight quadratic arcs: the control point of each 45 degree arc lies on
    // the tangents, at radius / cos(22.5 degrees).
    constexpr double kPi = 3.14159265358979323846;
    double controlRadius = radius / std::cos(kPi / 8);
    MoveTo(centerX + radius, centerY, fill, line);
    for (int i = 1; i <= 8; ++i) {
        double middle = (i - 0.5) * kPi / 4, end = i * kPi / 4;
        CurveTo(centerX + controlRadius * std::cos(middle), centerY + controlRadius * std::sin(middle),
            centerX + radius * std::cos(end), centerY + radius * std::sin(end));
    }
}

SwfRect SwfShape::Bounds() const
{
    if (m_paths.empty())
        return {};
    SwfRect box { INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN };
    auto add = [&box](std::int32_t x, std::int32_t y) {
        box.xMin = std::min(box.xMin, x);
        box.xMax = std::max(box.xMax, x);
        box.yMin = std::min(box.yMin, y);
        box.yMax = std::max(box.yMax, y);
    };
    std::int32_t margin = 0;
    for (const SwfPath& path : m_paths) {
        add(path.startX, path.startY);
        for (const SwfPathSegment& segment : path.segments) {
            add(segment.x, segment.y);
            if (segment.curve)
                add(segment.controlX, segment.controlY);
        }
        if (path.line > 0)
            margin = std::max<std::int32_t>(margin, m_lines[path.line - 1].width / 2);
    }
    return { box.xMin - margin, box.xMax + margin, box.yMin - margin, box.yMax + margin };
}

std::vector<std::uint8_t> SwfShape::DefineShape3(std::uint16_t id) const
{
    SwfBitWriter out;
    out.U16(id);
    out.Rect(Bounds());
    // Style arrays of 255 entries and more take the extended count.
    auto count = [&out](std::size_t n) {
        if (n < 0xff) {
            out.U8(static_cast<std::uint8_t>(n));
        } else {
            out.U8(0xff);
            out.U16(static_cast<std::uint16_t>(n));
        }
    };
    count(m_fills.size());
    for (const Fill& fill : m_fills) {
        if (fill.bitmapId == 0) {
            out.U8(0x00);
            out.Rgba(fill.rgba);
        } else {
            out.U8(fill.smoothed ? 0x41 : 0x43); // clipped bitmap
            out.U16(fill.bitmapId);
            out.Matrix(kTwipsPerPixel, kTwipsPerPixel, fill.x, fill.y);
        }
    }
    count(m_lines.size());
    for (const Line& line : m_lines) {
        out.U16(line.width);
        out.Rgba(line.rgba);
    }
    unsigned fillBits = static_cast<unsigned>(std::bit_width(m_fills.size()));
    unsigned lineBits = static_cast<unsigned>(std::bit_width(m_lines.size()));
    out.UB(4, fillBits);
    out.UB(4, lineBits);
    for (const SwfPath& path : m_paths) {
        out.UB(1, 0); // style change record
        out.UB(5, 0b01111); // line style, fill style 1, fill style 0, move to
        unsigned moveBits
            = std::max(SwfBitWriter::SignedBits(path.startX), SwfBitWriter::SignedBits(path.startY));
        out.UB(5, moveBits);
        out.SB(moveBits, path.startX);
        out.SB(moveBits, path.startY);
        out.UB(fillBits, 0);
        out.UB(fillBits, static_cast<std::uint32_t>(path.fill));
        out.UB(lineBits, static_cast<std::uint32_t>(path.line));
        std::int32_t x = path.startX, y = path.startY;
        for (const SwfPathSegment& segment : path.segments) {
            if (segment.curve) {
                std::int32_t deltas[4] = { segment.controlX - x, segment.controlY - y,
                    segment.x - segment.controlX, segment.y - segment.controlY };
                unsigned bits = 2;
                for (std::int32_t delta : deltas)
                    bits = std::max(bits, SwfBitWriter::SignedBits(delta));
                out.UB(2, 0b10); // edge, curved
                out.UB(4, bits - 2);
                for (std::int32_t delta : deltas)
                    out.SB(bits, delta);
            } else {
                WriteStraight(out, segment.x - x, segment.y - y);
            }
            x = segment.x;
            y = segment.y;
        }
    }
    out.UB(6, 0); // end of shape
    out.Align();
    return out.Take();
}
