#include "SyntheticRecording.h"

#include "MovieWriter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vtapi {

namespace {

constexpr char kTypedText[] = "Dear team, the quarterly figures are attached. Please review the totals "
                              "before Friday and send me your remarks. Thanks! ";
constexpr double kCharactersPerSecond = 6.0;

struct Canvas {
    std::uint8_t* pixels;
    int stride;
    int width;
    int height;

    void Fill(int x0, int y0, int w, int h, std::uint32_t rgb) const
    {
        const int x1 = std::min(width, x0 + w);
        const int y1 = std::min(height, y0 + h);
        x0 = std::max(0, x0);
        y0 = std::max(0, y0);
        for (int y = y0; y < y1; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(pixels + static_cast<ptrdiff_t>(y) * stride);
            std::fill(row + x0, row + std::max(x0, x1), rgb);
        }
    }
};

// A tiny pseudo font: each character is a 3 x 5 cell pattern taken from
// its code, which reads as text at a glance and needs no font files.
std::uint16_t GlyphBits(char c)
{
    if (c == ' ')
        return 0;
    std::uint32_t h = static_cast<unsigned char>(c) * 2654435761u;
    h ^= h >> 13;
    return static_cast<std::uint16_t>((h & 0x7FFF) | 0x4000 | 0x0002);
}

double Wave(double t, double period, double phase)
{
    return 0.5 + 0.5 * std::sin(2.0 * std::numbers::pi * (t / period + phase));
}

void CursorPosition(const SyntheticOptions& options, double t, int* x, int* y)
{
    if (options.still)
        t = 0;
    *x = static_cast<int>(Wave(t, 7.0, 0.1) * (options.width - 1));
    *y = static_cast<int>(Wave(t, 5.0, 0.3) * (options.height - 1));
}

} // namespace

SyntheticRecording::SyntheticRecording(const SyntheticOptions& options)
    : m_options(options)
{
    if (options.width < 16 || options.height < 16 || options.width > 8192 || options.height > 8192)
        throw MovieError("the frame size must lie between 16 x 16 and 8192 x 8192");
    if (options.frameRate.num <= 0 || options.frameRate.den <= 0 || av_q2d(options.frameRate) > 240)
        throw MovieError("the frame rate must lie between 0 and 240");
    if (!(options.seconds > 0) || options.seconds > 24 * 3600)
        throw MovieError("the length must be positive and at most a day");
    m_frameCount = std::max<std::int64_t>(1, std::llround(options.seconds * av_q2d(options.frameRate)));
    m_sampleCount = options.sampleRate > 0 ? std::llround(options.seconds * options.sampleRate) : 0;
    if (options.cursorTrack) {
        for (std::int64_t i = 0; i < m_frameCount; ++i) {
            const double t = static_cast<double>(i) / av_q2d(options.frameRate);
            CursorSample sample;
            sample.timeMs = std::llround(t * 1000.0);
            CursorPosition(options, t, &sample.x, &sample.y);
            m_cursor.push_back(sample);
        }
    }
}

void SyntheticRecording::RenderFrame(std::int64_t index, std::uint8_t* bgrx, int stride) const
{
    const int w = m_options.width;
    const int h = m_options.height;
    const Canvas canvas { bgrx, stride, w, h };
    const double t = static_cast<double>(index) / av_q2d(m_options.frameRate);
    const double layoutTime = m_options.still ? 0.0 : t; // where the windows are

    // Desktop: a vertical gradient, then the task bar.
    for (int y = 0; y < h; ++y) {
        const auto shade = static_cast<std::uint32_t>(60 + 80 * y / h);
        canvas.Fill(0, y, w, 1, (20u << 16) | (shade << 8) | (shade + 30));
    }
    const int bar = std::max(4, h / 20);
    canvas.Fill(0, h - bar, w, bar, 0x303038);
    canvas.Fill(2, h - bar + 1, bar * 3, bar - 2, 0x50A050);

    // A background window drifting slowly, and the editor in front.
    const int backW = w / 2;
    const int backH = h / 2;
    const int backX = static_cast<int>(Wave(layoutTime, 11.0, 0.0) * (w - backW));
    const int backY = static_cast<int>(Wave(layoutTime, 13.0, 0.5) * (h - bar - backH));
    const int title = std::max(3, h / 32);
    canvas.Fill(backX, backY, backW, backH, 0xD8D8D0);
    canvas.Fill(backX, backY, backW, title, 0x707890);

    const int editW = w * 3 / 5;
    const int editH = h * 3 / 5;
    const int editX = w / 8 + static_cast<int>(Wave(layoutTime, 17.0, 0.25) * (w / 8));
    const int editY = h / 10;
    canvas.Fill(editX, editY, editW, editH, 0xFFFFFF);
    canvas.Fill(editX, editY, editW, title, 0x2050B0);

    // Typed text: one more character every 1/kCharactersPerSecond seconds.
    const int cell = std::max(1, h / 120);
    const int advance = 4 * cell;
    const int lineHeight = 7 * cell;
    const int columns = std::max(1, (editW - 2 * cell) / advance);
    const int rows = std::max(1, (editH - title - 2 * cell) / lineHeight);
    const auto typed = static_cast<std::int64_t>(t * kCharactersPerSecond);
    const std::int64_t textLength = sizeof kTypedText - 1;
    const std::int64_t shown = std::min<std::int64_t>(typed, static_cast<std::int64_t>(columns) * rows);
    for (std::int64_t i = 0; i < shown; ++i) {
        const std::uint16_t bits = GlyphBits(kTypedText[i % textLength]);
        const int gx = editX + cell + static_cast<int>(i % columns) * advance;
        const int gy = editY + title + cell + static_cast<int>(i / columns) * lineHeight;
        for (int bit = 0; bit < 15; ++bit)
            if (bits & (1u << bit))
                canvas.Fill(gx + (bit % 3) * cell, gy + (bit / 3) * cell, cell, cell, 0x101010);
    }

    // The cursor: a small arrow, white with a dark edge.
    int cx = 0;
    int cy = 0;
    CursorPosition(m_options, t, &cx, &cy);
    const int size = std::max(4, h / 30);
    for (int row = 0; row < size; ++row) {
        canvas.Fill(cx, cy + row, row / 2 + 2, 1, 0x000000);
        canvas.Fill(cx + 1, cy + row, row / 2, 1, 0xFFFFFF);
    }
}

void SyntheticRecording::RenderSound(std::int64_t first, int count, std::int16_t* interleaved) const
{
    const double rate = m_options.sampleRate;
    for (int i = 0; i < count; ++i) {
        const double t = static_cast<double>(first + i) / rate;
        double value = 0.15 * std::sin(2.0 * std::numbers::pi * 220.0 * t);
        // A short click at every typed character.
        const double sinceKey = std::fmod(t, 1.0 / kCharactersPerSecond);
        if (sinceKey < 0.01)
            value += 0.5 * std::sin(2.0 * std::numbers::pi * 2000.0 * t) * (1.0 - sinceKey / 0.01);
        const auto sample = static_cast<std::int16_t>(std::clamp(value, -1.0, 1.0) * 32000.0);
        for (int c = 0; c < m_options.channels; ++c)
            interleaved[static_cast<ptrdiff_t>(i) * m_options.channels + c] = sample;
    }
}

void WriteSyntheticMovie(
    const std::string& path, const SyntheticOptions& options, MovieLayout layout, const TaskControl& control)
{
    const SyntheticRecording recording(options);
    MovieWriterOptions writerOptions;
    writerOptions.width = options.width;
    writerOptions.height = options.height;
    writerOptions.frameRate = options.frameRate;
    writerOptions.sampleRate = options.sampleRate;
    writerOptions.channels = options.channels;
    writerOptions.layout = layout;
    if (layout == MovieLayout::Current)
        writerOptions.cursor = recording.Cursor();
    MovieWriter writer(path, writerOptions);

    const int stride = options.width * 4;
    std::vector<std::uint8_t> pixels(static_cast<size_t>(stride) * static_cast<size_t>(options.height));
    std::vector<std::int16_t> sound;
    std::int64_t samplesDone = 0;
    for (std::int64_t frame = 0; frame < recording.FrameCount(); ++frame) {
        control.CheckCancel();
        recording.RenderFrame(frame, pixels.data(), stride);
        writer.WriteVideo(pixels.data(), stride);
        // Sound up to the end of this frame, so both streams interleave.
        const std::int64_t soundEnd = std::min(recording.SampleCount(),
            av_rescale_q(
                frame + 1, av_inv_q(options.frameRate), AVRational { 1, std::max(1, options.sampleRate) }));
        if (soundEnd > samplesDone) {
            const int count = static_cast<int>(soundEnd - samplesDone);
            sound.resize(static_cast<size_t>(count) * static_cast<size_t>(options.channels));
            recording.RenderSound(samplesDone, count, sound.data());
            writer.WriteAudio(sound.data(), count);
            samplesDone = soundEnd;
        }
        control.Progress(frame + 1, recording.FrameCount());
    }
    writer.Finish();
}

} // namespace vtapi
