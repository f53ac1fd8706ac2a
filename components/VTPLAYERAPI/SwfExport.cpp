#include "SwfExport.h"

#include "FrameReader.h"
#include "flash/swf/SwfBitWriter.h"
#include "flash/swf/SwfDefinitions.h"
#include "flash/swf/SwfShape.h"

#include <algorithm>
#include <future>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace vtapi {

namespace {

// Changes are found, and pictures kept, on tiles of this many pixels.
constexpr int kTile = 32;

// The arrow drawn for the cursor, its tip at the origin.
SwfShape CursorShape()
{
    SwfShape shape;
    const int fill = shape.SolidFill(0x000000ff);
    const int line = shape.LineStyle(1, 0xffffffff);
    shape.Polygon({ 0, 0, 11, 11, 6.5, 11.5, 9.5, 18, 7, 19, 4, 12.5, 0, 16 }, fill, line);
    return shape;
}

// PlaceObject2 that moves the object at `depth` to x, y twips.
std::vector<std::uint8_t> MoveBody(std::uint16_t depth, std::int32_t x, std::int32_t y)
{
    SwfBitWriter body;
    body.U8(0x01 | 0x04); // move, matrix
    body.U16(depth);
    body.Translation(x, y);
    return body.Take();
}

struct Patch {
    std::uint16_t depth = 0;
    std::uint16_t shapeId = 0;
    PixelRect rect;
    int tiles = 0; // tiles still showing this picture
};

struct Mp3Block {
    std::vector<std::uint8_t> data;
    int samples = 0;
};

} // namespace

struct SwfPictureEncoder::State {
    CodecContextPtr decoder;
    PacketPtr packet = MakePacket();
    FramePtr decoded = MakeFrame();
    FramePtr held;
    FramePtr view = MakeFrame();
    SwsPtr scaler;
    AutoscrollWindow autoscroll { 0, {}, {} };
    std::int64_t firstPts = AV_NOPTS_VALUE;
    std::int64_t lastPts = AV_NOPTS_VALUE;
    std::int64_t decodedFrames = 0;
    std::int64_t next = 0; // the next output frame

    std::vector<std::uint8_t> picture; // A R G B
    std::unique_ptr<ChangeFinder> changes;
    BitmapCoding coding = BitmapCoding::Lossless32;
    std::vector<Patch> patches; // live pictures, in depth order
    std::vector<int> owner; // per tile: index into patches, -1 for none
    std::uint16_t nextDepth = kFirstPictureDepth;

    std::uint16_t cursorId = 0;
    std::int32_t cursorX = INT32_MIN;
    std::int32_t cursorY = INT32_MIN;

    // Sound, made in a first pass over the movie.
    SwfSoundFormat soundFormat = SwfSoundFormat::Pcm16;
    int channels = 1;
    std::vector<std::int16_t> pcm; // interleaved
    std::vector<Mp3Block> mp3;
    std::size_t soundDone = 0; // samples per channel (PCM) or blocks (MP3) written
    std::int64_t mp3Samples = 0; // samples of the MP3 blocks written
};

SwfPictureLayout PlanSwfPictures(const MovieSource& movie, const FlashSettings& settings)
{
    SwfPictureLayout layout;
    layout.movie = { movie.Width(), movie.Height() };
    const AviSettings common = CommonVideoSettings(settings, layout.movie);
    layout.view = ViewSize(common, layout.movie);
    layout.picture = OutputSize(common, layout.view, 1);
    // The SWF frame holds at most 8191 pixels a side.
    layout.picture.width = std::min(layout.picture.width, 8000);
    layout.picture.height = std::min(layout.picture.height, 8000);
    layout.rate = SwfFrameRate(settings, movie.FrameRate(), movie.Duration());
    const std::int64_t duration = movie.Duration() > 0
        ? movie.Duration()
        : av_rescale_q(
            std::max<std::int64_t>(1, movie.FrameCount()), av_inv_q(movie.FrameRate()), AV_TIME_BASE_Q);
    layout.frames = std::clamp<std::int64_t>(
        av_rescale_q_rnd(duration, AV_TIME_BASE_Q, av_inv_q(layout.rate), AV_ROUND_UP), 1, kSwfFrameLimit);
    return layout;
}

BitmapCoding ChooseBitmapCoding(const FlashSettings& settings)
{
    if (settings.colorFormat == vantor::kColorFormatLossless) {
        if (settings.colorBitsCount == 8)
            return BitmapCoding::Lossless8;
        return settings.colorBitsCount == 16 ? BitmapCoding::Lossless16 : BitmapCoding::Lossless32;
    }
    if (settings.colorBitsCount == 8)
        return BitmapCoding::JpegGrey;
    return settings.colorFormat == vantor::kColorFormatJpegOptimised ? BitmapCoding::JpegOrPalette
                                                                     : BitmapCoding::Jpeg;
}

SwfPictureEncoder::SwfPictureEncoder(MovieSource& movie, const FlashSettings& settings,
    const SwfPictureLayout& layout, const TaskControl& control)
    : m_movie(movie)
    , m_settings(settings)
    , m_layout(layout)
    , m_control(control)
    , m_state(std::make_unique<State>())
{
    State& s = *m_state;
    s.coding = ChooseBitmapCoding(settings);
    s.picture.resize(static_cast<std::size_t>(layout.picture.width) * layout.picture.height * 4);
    s.changes = std::make_unique<ChangeFinder>(layout.picture.width, layout.picture.height, kTile);
    s.owner.assign(static_cast<std::size_t>(s.changes->Columns()) * s.changes->Rows(), -1);
    s.autoscroll = AutoscrollWindow(settings.autoscrollMode, layout.view, layout.movie);
    if (settings.exportSounds && movie.AudioStream() >= 0)
        PrepareSound();
}

SwfPictureEncoder::~SwfPictureEncoder() = default;

void SwfPictureEncoder::PrepareSound()
{
    State& s = *m_state;
    const AVStream* stream = m_movie.Format()->streams[m_movie.AudioStream()];
    CodecContextPtr decoder = OpenDecoder(stream);
    const AviSettings common = CommonVideoSettings(m_settings, m_layout.movie);
    const SoundFormat format
        = ChooseSoundFormat(common, decoder->sample_rate, decoder->ch_layout.nb_channels);
    const int rate = SwfSoundRate(format.sampleRate);
    s.channels = std::clamp(format.channels, 1, 2);
    s.soundFormat = format.mp3 ? SwfSoundFormat::Mp3 : SwfSoundFormat::Pcm16;

    CodecContextPtr encoder;
    if (format.mp3) {
        const AVCodec* lame = avcodec_find_encoder_by_name("libmp3lame");
        if (lame == nullptr)
            throw MovieError("the MP3 encoder (LAME) is missing");
        encoder.reset(avcodec_alloc_context3(lame));
        if (!encoder)
            throw MovieError("out of memory");
        AVCodecContext* c = encoder.get();
        c->sample_rate = rate;
        c->sample_fmt = lame->sample_fmts != nullptr ? lame->sample_fmts[0] : AV_SAMPLE_FMT_S16P;
        av_channel_layout_default(&c->ch_layout, s.channels);
        c->time_base = AVRational { 1, rate };
        c->bit_rate = std::min(format.bitRate, rate < 16000 ? 64000 : rate < 32000 ? 160000 : 320000);
        Check(avcodec_open2(c, lame, nullptr), "cannot start the MP3 encoder");
    }
    AVChannelLayout layout {};
    av_channel_layout_default(&layout, s.channels);
    SwrContext* raw = nullptr;
    Check(swr_alloc_set_opts2(&raw, &layout, AV_SAMPLE_FMT_S16, rate, &decoder->ch_layout,
              decoder->sample_fmt, decoder->sample_rate, 0, nullptr),
        "sound conversion");
    SwrPtr resampler(raw);
    Check(swr_init(resampler.get()), "sound conversion");

    std::vector<std::int16_t> chunk;
    const auto convert = [&](const AVFrame* frame) {
        const int capacity
            = swr_get_out_samples(resampler.get(), frame != nullptr ? frame->nb_samples : 0) + 16;
        chunk.resize(static_cast<std::size_t>(capacity) * s.channels);
        auto* out = reinterpret_cast<std::uint8_t*>(chunk.data());
        const int count
            = Check(swr_convert(resampler.get(), &out, capacity,
                        frame != nullptr ? const_cast<const std::uint8_t**>(frame->extended_data) : nullptr,
                        frame != nullptr ? frame->nb_samples : 0),
                "sound conversion");
        s.pcm.insert(
            s.pcm.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(count) * s.channels);
    };
    const auto decode = [&](const AVPacket* packet) {
        Check(avcodec_send_packet(decoder.get(), packet), "damaged movie \"" + m_movie.Path() + "\"");
        while (avcodec_receive_frame(decoder.get(), s.decoded.get()) == 0) {
            convert(s.decoded.get());
            av_frame_unref(s.decoded.get());
        }
    };
    m_movie.Rewind();
    while (m_movie.ReadPacket(s.packet.get())) {
        m_control.CheckCancel();
        if (s.packet->stream_index == m_movie.AudioStream())
            decode(s.packet.get());
        av_packet_unref(s.packet.get());
    }
    decode(nullptr);
    convert(nullptr);
    m_movie.Rewind();

    if (encoder) {
        AVCodecContext* c = encoder.get();
        FramePtr frame = MakeFrame();
        PacketPtr packet = MakePacket();
        const auto drain = [&] {
            while (avcodec_receive_packet(c, packet.get()) == 0) {
                const int samples = static_cast<int>(packet->duration > 0 ? packet->duration : c->frame_size);
                s.mp3.push_back({ { packet->data, packet->data + packet->size }, samples });
                av_packet_unref(packet.get());
            }
        };
        const std::size_t total = s.pcm.size() / s.channels;
        const auto frameSize = static_cast<std::size_t>(c->frame_size > 0 ? c->frame_size : 1152);
        for (std::size_t first = 0; first < total; first += frameSize) {
            m_control.CheckCancel();
            const int count = static_cast<int>(std::min(frameSize, total - first));
            av_frame_unref(frame.get());
            frame->nb_samples = count;
            frame->format = c->sample_fmt;
            frame->sample_rate = rate;
            Check(av_channel_layout_copy(&frame->ch_layout, &c->ch_layout), "out of memory");
            Check(av_frame_get_buffer(frame.get(), 0), "out of memory");
            for (int i = 0; i < count; ++i) {
                for (int ch = 0; ch < s.channels; ++ch) {
                    const std::int16_t v = s.pcm[(first + i) * s.channels + ch];
                    if (c->sample_fmt == AV_SAMPLE_FMT_S16P)
                        reinterpret_cast<std::int16_t*>(frame->extended_data[ch])[i] = v;
                    else if (c->sample_fmt == AV_SAMPLE_FMT_FLTP)
                        reinterpret_cast<float*>(frame->extended_data[ch])[i] = v / 32768.0f;
                    else if (c->sample_fmt == AV_SAMPLE_FMT_S32P)
                        reinterpret_cast<std::int32_t*>(frame->extended_data[ch])[i] = v * 65536;
                    else
                        throw MovieError("the MP3 encoder wants an unknown sample format");
                }
            }
            frame->pts = static_cast<std::int64_t>(first);
            Check(avcodec_send_frame(c, frame.get()), "MP3 encoding failed");
            drain();
        }
        Check(avcodec_send_frame(c, nullptr), "MP3 encoding failed");
        drain();
        s.pcm.clear();
        s.pcm.shrink_to_fit();
    }
    m_soundRate = rate;
}

void SwfPictureEncoder::Encode(
    SwfMovieWriter& movie, int pictureY, const std::function<void(SwfTimeline&, std::int64_t)>& frameHook)
{
    State& s = *m_state;
    SwfTimeline& timeline = movie.Timeline();
    if (m_settings.showCursor && !m_movie.Cursor().empty()) {
        s.cursorId = movie.NewCharacterId();
        timeline.Tag(SwfTagCode::DefineShape3, CursorShape().DefineShape3(s.cursorId));
    }
    if (m_soundRate > 0) {
        const auto perFrame = static_cast<std::uint16_t>(std::min<std::int64_t>(
            65535, av_rescale_q(1, av_inv_q(m_layout.rate), AVRational { 1, m_soundRate })));
        timeline.Tag(SwfTagCode::SoundStreamHead2,
            SwfSoundStreamHead2(s.soundFormat, m_soundRate, s.channels == 2, perFrame));
    }

    const AVStream* stream = m_movie.Format()->streams[m_movie.VideoStream()];
    s.decoder = OpenDecoder(stream);
    const AVRational movieRate = m_movie.FrameRate();
    const AVRational faster = av_cmp_q(m_layout.rate, movieRate) > 0 ? m_layout.rate : movieRate;
    // Output frame n shows the last movie frame stamped at or before
    // n / rate plus half a frame of the faster rate (time stamps are
    // rounded to the stream's time base).
    const auto framesBefore = [&](std::int64_t pts) {
        const double seconds
            = static_cast<double>(pts - s.firstPts) * av_q2d(stream->time_base) - 0.5 / av_q2d(faster);
        return std::max<std::int64_t>(
            0, static_cast<std::int64_t>(std::ceil(seconds * av_q2d(m_layout.rate) - 1e-9)));
    };
    const auto emitUpTo = [&](std::int64_t limit) {
        limit = std::min(limit, m_layout.frames);
        for (; s.next < limit; ++s.next) {
            m_control.CheckCancel();
            EmitPicture(movie, pictureY, s.next, s.held.get());
            if (frameHook)
                frameHook(timeline, s.next);
            timeline.ShowFrame();
            m_control.Progress(s.next + 1, m_layout.frames);
        }
    };
    const auto take = [&](AVFrame* frame) {
        std::int64_t pts = frame->best_effort_timestamp;
        if (pts == AV_NOPTS_VALUE)
            pts = av_rescale_q(s.decodedFrames, av_inv_q(movieRate), stream->time_base);
        ++s.decodedFrames;
        if (s.firstPts == AV_NOPTS_VALUE)
            s.firstPts = pts;
        if (s.lastPts != AV_NOPTS_VALUE && pts <= s.lastPts)
            return;
        if (s.held)
            emitUpTo(framesBefore(pts));
        else
            s.held = MakeFrame();
        av_frame_unref(s.held.get());
        av_frame_move_ref(s.held.get(), frame);
        s.lastPts = pts;
    };
    const auto decode = [&](const AVPacket* packet) {
        Check(avcodec_send_packet(s.decoder.get(), packet), "damaged movie \"" + m_movie.Path() + "\"");
        while (true) {
            const int result = avcodec_receive_frame(s.decoder.get(), s.decoded.get());
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
                return;
            Check(result, "damaged movie \"" + m_movie.Path() + "\"");
            take(s.decoded.get());
            av_frame_unref(s.decoded.get());
        }
    };
    while (s.next < m_layout.frames && m_movie.ReadPacket(s.packet.get())) {
        m_control.CheckCancel();
        if (s.packet->stream_index == m_movie.VideoStream())
            decode(s.packet.get());
        av_packet_unref(s.packet.get());
    }
    if (s.next < m_layout.frames)
        decode(nullptr);
    if (!s.held)
        throw MovieError("the movie \"" + m_movie.Path() + "\" holds no pictures");
    emitUpTo(m_layout.frames);
}

void SwfPictureEncoder::EmitPicture(
    SwfMovieWriter& movie, int pictureY, std::int64_t index, const AVFrame* source)
{
    State& s = *m_state;
    SwfTimeline& timeline = movie.Timeline();
    const std::int64_t timeMs = av_rescale_q(index, av_inv_q(m_layout.rate), AVRational { 1, 1000 });
    int cursorX = m_layout.movie.width / 2;
    int cursorY = m_layout.movie.height / 2;
    const bool hasCursor = CursorAt(m_movie.Cursor(), timeMs, &cursorX, &cursorY);
    int left = 0;
    int top = 0;
    if (m_settings.autoscrollMode != 0) {
        s.autoscroll.Follow(cursorX, cursorY, &left, &top);
        av_frame_unref(s.view.get());
        Check(av_frame_ref(s.view.get(), source), "out of memory");
        s.view->crop_left = static_cast<size_t>(left);
        s.view->crop_top = static_cast<size_t>(top);
        s.view->crop_right = static_cast<size_t>(source->width - left - m_layout.view.width);
        s.view->crop_bottom = static_cast<size_t>(source->height - top - m_layout.view.height);
        Check(av_frame_apply_cropping(s.view.get(), AV_FRAME_CROP_UNALIGNED), "autoscroll");
        source = s.view.get();
    }
    const int width = m_layout.picture.width;
    const int height = m_layout.picture.height;
    if (!s.scaler) {
        s.scaler.reset(
            sws_getContext(source->width, source->height, static_cast<AVPixelFormat>(source->format), width,
                height, AV_PIX_FMT_ARGB, SWS_BICUBIC, nullptr, nullptr, nullptr));
        if (!s.scaler)
            throw MovieError("cannot convert the frames");
    }
    std::uint8_t* planes[4] = { s.picture.data(), nullptr, nullptr, nullptr };
    int strides[4] = { width * 4, 0, 0, 0 };
    sws_scale(s.scaler.get(), source->data, source->linesize, 0, source->height, planes, strides);
    if (m_settings.autoscrollMode != 0)
        av_frame_unref(s.view.get());
    if (index == 0)
        m_firstPicture = s.picture;

    const ArgbView frame { s.picture.data(), width * 4 };
    const std::vector<PixelRect> rects = s.changes->Changes(frame);
    // The pictures are coded on two threads; the tags go out in order.
    std::vector<std::uint16_t> ids;
    for (std::size_t i = 0; i < rects.size(); ++i)
        ids.push_back(movie.NewCharacterId());
    std::vector<BitmapTag> tags(rects.size());
    const auto code = [&](std::size_t first, std::size_t step) {
        for (std::size_t i = first; i < rects.size(); i += step)
            tags[i] = EncodeBitmap(
                ids[i], frame, rects[i], s.coding, m_settings.jpegQuality, m_settings.zlibCompressLevel);
    };
    if (rects.size() > 1) {
        auto other = std::async(std::launch::async, code, 1, 2);
        code(0, 2);
        other.get();
    } else {
        code(0, 1);
    }
    if (s.nextDepth + rects.size() > kLastPictureDepth) {
        // Out of depths: move the live pictures down to the first ones,
        // keeping their order.
        std::uint16_t depth = kFirstPictureDepth;
        for (Patch& patch : s.patches) {
            if (patch.depth != depth) {
                timeline.RemoveObject2(patch.depth);
                timeline.PlaceObject2(depth, patch.shapeId, patch.rect.x * kTwipsPerPixel,
                    (patch.rect.y + pictureY) * kTwipsPerPixel);
                patch.depth = depth;
            }
            ++depth;
        }
        s.nextDepth = depth;
    }
    const int tile = s.changes->Tile();
    const int columns = s.changes->Columns();
    for (std::size_t i = 0; i < rects.size(); ++i) {
        const PixelRect& r = rects[i];
        timeline.Tag(tags[i].code, tags[i].body);
        SwfShape shape;
        shape.Rectangle(0, 0, r.width, r.height, shape.BitmapFill(ids[i], 0, 0));
        const std::uint16_t shapeId = movie.NewCharacterId();
        timeline.Tag(SwfTagCode::DefineShape3, shape.DefineShape3(shapeId));
        // The new picture owns its tiles; a picture left without tiles goes.
        Patch patch { s.nextDepth++, shapeId, r, 0 };
        std::vector<int> emptied;
        for (int ty = r.y / tile; ty * tile < r.y + r.height; ++ty) {
            for (int tx = r.x / tile; tx * tile < r.x + r.width; ++tx) {
                int& owner = s.owner[static_cast<std::size_t>(ty) * columns + tx];
                if (owner >= 0 && --s.patches[static_cast<std::size_t>(owner)].tiles == 0)
                    emptied.push_back(owner);
                owner = static_cast<int>(s.patches.size());
                ++patch.tiles;
            }
        }
        timeline.PlaceObject2(patch.depth, shapeId, r.x * kTwipsPerPixel, (r.y + pictureY) * kTwipsPerPixel);
        s.patches.push_back(patch);
        if (!emptied.empty()) {
            std::sort(emptied.begin(), emptied.end());
            for (auto it = emptied.rbegin(); it != emptied.rend(); ++it) {
                timeline.RemoveObject2(s.patches[static_cast<std::size_t>(*it)].depth);
                s.patches.erase(s.patches.begin() + *it);
            }
            // Tile owners are indexes: renumber them.
            std::vector<int> renumber(s.patches.size() + emptied.size(), -1);
            for (int old = 0, now = 0; old < static_cast<int>(renumber.size()); ++old)
                if (!std::binary_search(emptied.begin(), emptied.end(), old))
                    renumber[static_cast<std::size_t>(old)] = now++;
            for (int& owner : s.owner)
                if (owner >= 0)
                    owner = renumber[static_cast<std::size_t>(owner)];
        }
    }

    if (s.cursorId != 0) {
        std::int32_t x = -100 * kTwipsPerPixel;
        std::int32_t y = -100 * kTwipsPerPixel;
        const int inX = cursorX - left;
        const int inY = cursorY - top;
        if (hasCursor && inX >= 0 && inY >= 0 && inX < m_layout.view.width && inY < m_layout.view.height) {
            x = static_cast<std::int32_t>(
                static_cast<std::int64_t>(inX) * width * kTwipsPerPixel / m_layout.view.width);
            y = static_cast<std::int32_t>(
                (static_cast<std::int64_t>(inY) * height / m_layout.view.height + pictureY) * kTwipsPerPixel);
        }
        if (index == 0)
            timeline.PlaceObject2(kCursorDepth, s.cursorId, x, y);
        else if (x != s.cursorX || y != s.cursorY)
            timeline.Tag(SwfTagCode::PlaceObject2, MoveBody(kCursorDepth, x, y));
        s.cursorX = x;
        s.cursorY = y;
    }

    if (m_soundRate > 0) {
        const auto end = static_cast<std::size_t>(
            av_rescale_q(index + 1, av_inv_q(m_layout.rate), AVRational { 1, m_soundRate }));
        std::vector<std::uint8_t> data;
        int samples = 0;
        if (s.soundFormat == SwfSoundFormat::Pcm16) {
            const std::size_t last = std::min(end, s.pcm.size() / s.channels);
            if (last > s.soundDone) {
                const auto* bytes
                    = reinterpret_cast<const std::uint8_t*>(s.pcm.data() + s.soundDone * s.channels);
                data.assign(bytes, bytes + (last - s.soundDone) * s.channels * 2);
                samples = static_cast<int>(last - s.soundDone);
                s.soundDone = last;
            }
        } else {
            while (s.soundDone < s.mp3.size() && s.mp3Samples < static_cast<std::int64_t>(end)) {
                const Mp3Block& block = s.mp3[s.soundDone++];
                data.insert(data.end(), block.data.begin(), block.data.end());
                samples += block.samples;
                s.mp3Samples += block.samples;
            }
        }
        if (samples > 0)
            timeline.Tag(SwfTagCode::SoundStreamBlock,
                SwfSoundStreamBlock(
                    s.soundFormat, data, static_cast<std::uint16_t>(std::min(samples, 65535))));
    }
}

} // namespace vtapi
