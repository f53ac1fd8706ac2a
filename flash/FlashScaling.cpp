#include "flash/FlashScaling.h"

#include "app/StringTable.h"
#include "strings/StringIds.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vantor {

namespace {

std::string Format(int id, int a, int b, int c = 0, int d = 0)
{
    char text[256];
    std::snprintf(text, sizeof text, LoadStr(id).c_str(), a, b, c, d);
    return text;
}

} // namespace

int PadTo16(int size)
{
    return (size + 15) / 16 * 16;
}

void FlashScaling::SetMovieSize(int width, int height)
{
    m_movieWidth = width;
    m_movieHeight = height;
}

void FlashScaling::SetScalePercent(float widthPercent, float heightPercent)
{
    m_widthPercent = widthPercent;
    m_heightPercent = heightPercent;
}

void FlashScaling::SetScalePixels(int width, int height)
{
    m_widthPixels = width;
    m_heightPixels = height;
    if (!MovieSizeKnown()) {
        m_widthPercent = 100;
        m_heightPercent = 100;
        return;
    }
    m_widthPercent = static_cast<float>(width) * 100.0f / static_cast<float>(m_movieWidth);
    m_heightPercent
        = static_cast<float>(height - m_controlBarHeight) * 100.0f / static_cast<float>(m_movieHeight);
}

int FlashScaling::WidthField() const
{
    if (m_pixels)
        return m_widthPixels;
    return std::min(static_cast<int>(std::lround(m_widthPercent)), kMaxPercentField);
}

int FlashScaling::HeightField() const
{
    if (m_pixels)
        return m_heightPixels;
    return std::min(static_cast<int>(std::lround(m_heightPercent)), kMaxPercentField);
}

int FlashScaling::PercentToPixels(float percent, int size) const
{
    return static_cast<int>(std::lround(percent * static_cast<float>(size) / 100.0f));
}

bool FlashScaling::WidthFieldChanged(int value, bool keepAspect)
{
    if (m_pixels) {
        m_widthPixels = value;
        if (m_movieWidth > 0)
            m_widthPercent = static_cast<float>(value) * 100.0f / static_cast<float>(m_movieWidth);
    } else {
        m_widthPercent = static_cast<float>(value);
    }
    if (!keepAspect || std::fabs(m_heightPercent - m_widthPercent) < kPercentTolerance)
        return false;
    m_heightPercent = m_widthPercent;
    m_heightPixels = PercentToPixels(m_heightPercent, m_movieHeight) + m_controlBarHeight;
    return true;
}

bool FlashScaling::HeightFieldChanged(int value, bool keepAspect)
{
    if (m_pixels) {
        m_heightPixels = value;
        if (m_movieHeight > 0)
            m_heightPercent
                = static_cast<float>(value - m_controlBarHeight) * 100.0f / static_cast<float>(m_movieHeight);
    } else {
        m_heightPercent = static_cast<float>(value);
    }
    if (!keepAspect || std::fabs(m_widthPercent - m_heightPercent) < kPercentTolerance)
        return false;
    m_widthPercent = m_heightPercent;
    m_widthPixels = PercentToPixels(m_widthPercent, m_movieWidth);
    return true;
}

int FlashScaling::OutputWidth() const
{
    const int width = m_pixels ? m_widthPixels : PercentToPixels(m_widthPercent, m_movieWidth);
    return m_flashVideo ? PadTo16(width) : width;
}

int FlashScaling::OutputHeight() const
{
    const int height
        = m_pixels ? m_heightPixels - m_controlBarHeight : PercentToPixels(m_heightPercent, m_movieHeight);
    return m_flashVideo ? PadTo16(height) : height;
}

std::string FlashScaling::SizeLabel() const
{
    const int width = OutputWidth();
    const int height = OutputHeight();
    const bool movie = width > 0 && height > 0;
    const bool toolbar = m_controlBarHeight > 0;
    if (movie && toolbar)
        return Format(str::kFlashSizeMovieToolbar, width, height, width, m_controlBarHeight);
    if (movie)
        return Format(str::kFlashSizeMovie, width, height);
    if (toolbar)
        return Format(str::kFlashSizeToolbar, width, m_controlBarHeight);
    return {};
}

bool FlashScaling::IsScaled() const
{
    return std::fabs(m_widthPercent - 100.0f) >= kPercentTolerance
        || std::fabs(m_heightPercent - 100.0f) >= kPercentTolerance;
}

std::string FlashScaling::AutoscrollNote(int autoscrollWidthPercent, int autoscrollHeightPercent) const
{
    if (!IsScaled())
        return {};
    const int width = OutputWidth() * autoscrollWidthPercent / 100;
    const int height = OutputHeight() * autoscrollHeightPercent / 100;
    return LoadStr(str::kAutoscrollScalingNote) + std::to_string(width) + "x" + std::to_string(height);
}

} // namespace vantor
