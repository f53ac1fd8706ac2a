#include "FrameReader.h"

#include <algorithm>
#include <cstring>

namespace vtapi {

namespace {

// Decoded frames waiting for the export: enough to smooth out the
// difference between a changed frame and a repeated one, few enough that
// 4K frames stay within some tens of megabytes.
constexpr size_t kAhead = 6;

// Thrown inside the thread when the reader is stopping.
struct Stopping { };

} // namespace

CodecContextPtr OpenDecoder(const AVStream* stream)
{
    const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    if (decoder == nullptr)
        throw MovieError("no decoder for the movie's streams");
    CodecContextPtr context(avcodec_alloc_context3(decoder));
    if (!context)
        throw MovieError("out of memory");
    Check(avcodec_parameters_to_context(context.get(), stream->codecpar), "decoder set-up");
    context->thread_count = 0;
    context->pkt_timebase = stream->time_base;
    Check(avcodec_open2(context.get(), decoder, nullptr), "cannot start the decoder");
    return context;
}

std::int64_t OutputFramesBefore(
    std::int64_t ticks, AVRational timeBase, AVRational outputRate, AVRational movieRate)
{
    const AVRational faster = av_cmp_q(outputRate, movieRate) > 0 ? outputRate : movieRate;
    const AVRational tolerance { faster.den, 2 * faster.num }; // seconds
    // (ticks * timeBase - tolerance) * outputRate, rounded up, exactly.
    const std::int64_t numerator
        = ticks * timeBase.num * tolerance.den - std::int64_t { tolerance.num } * timeBase.den;
    const std::int64_t denominator = std::int64_t { timeBase.den } * tolerance.den * outputRate.den;
    return std::max<std::int64_t>(0, av_rescale_rnd(numerator, outputRate.num, denominator, AV_ROUND_UP));
}

FrameReader::FrameReader(MovieSource& movie, AVCodecContext* video, AVCodecContext* audio)
    : m_movie(movie)
    , m_video(video)
    , m_audio(audio)
    , m_lastVideo(MakeFrame())
    , m_lastKeyPacket(MakePacket())
{
    // FFV1 carries its coder's state from a frame to the next, but a key
    // frame starts afresh: decoding it again would give the same picture
    // and the same state.
    const AVCodecDescriptor* codec = avcodec_descriptor_get(video->codec_id);
    m_repeatable = video->codec_id == AV_CODEC_ID_FFV1
        || (codec != nullptr && (codec->props & AV_CODEC_PROP_INTRA_ONLY) != 0);
    m_thread = std::thread([this] { Run(); });
}

FrameReader::~FrameReader()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

bool FrameReader::Next(DecodedFrame* out)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_frames.empty() || m_done; });
    if (m_frames.empty()) {
        if (m_error)
            std::rethrow_exception(m_error);
        return false;
    }
    *out = std::move(m_frames.front());
    m_frames.pop_front();
    lock.unlock();
    m_changed.notify_all();
    return true;
}

bool FrameReader::Put(DecodedFrame frame)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_frames.size() < kAhead || m_stop; });
    if (m_stop)
        return false;
    m_frames.push_back(std::move(frame));
    lock.unlock();
    m_changed.notify_all();
    return true;
}

void FrameReader::Run()
{
    std::exception_ptr error;
    try {
        const PacketPtr packet = MakePacket();
        while (m_movie.ReadPacket(packet.get())) {
            if (packet->stream_index == m_movie.VideoStream() && RepeatsLast(packet.get())) {
                m_repeats.push_back({ m_sent, packet->pts, packet->dts });
                PutRepeats(false);
            } else if (packet->stream_index == m_movie.VideoStream()) {
                // A discarded packet gives no frame.
                if ((packet->flags & AV_PKT_FLAG_DISCARD) == 0)
                    ++m_sent;
                Decode(m_video, packet.get(), true);
            } else if (m_audio != nullptr && packet->stream_index == m_movie.AudioStream())
                Decode(m_audio, packet.get(), false);
            av_packet_unref(packet.get());
        }
        Decode(m_video, nullptr, true);
        PutRepeats(true);
        if (m_audio != nullptr)
            Decode(m_audio, nullptr, false);
    } catch (const Stopping&) {
    } catch (...) {
        error = std::current_exception();
    }
    {
        const std::lock_guard lock(m_mutex);
        m_done = true;
        m_error = error;
    }
    m_changed.notify_all();
}

bool FrameReader::RepeatsLast(const AVPacket* packet)
{
    const bool key = (packet->flags & (AV_PKT_FLAG_KEY | AV_PKT_FLAG_DISCARD)) == AV_PKT_FLAG_KEY;
    // Side data (a palette, say) could change what the same bytes show.
    if (!m_repeatable || !key || packet->size <= 0 || packet->side_data_elems > 0) {
        av_packet_unref(m_lastKeyPacket.get());
        return false;
    }
    const AVPacket* last = m_lastKeyPacket.get();
    if (last->size == packet->size
        && std::memcmp(last->data, packet->data, static_cast<size_t>(packet->size)) == 0)
        return true;
    av_packet_unref(m_lastKeyPacket.get());
    Check(av_packet_ref(m_lastKeyPacket.get(), packet), "out of memory");
    return false;
}

void FrameReader::PutRepeats(bool all)
{
    // With frame threads the decoder gives out a frame some packets after
    // it got it: a repeat waits until the frames before it are out.
    while (!m_repeats.empty() && (all || m_repeats.front().after <= m_received)) {
        if (m_lastVideo->data[0] == nullptr)
            throw MovieError("damaged movie \"" + m_movie.Path() + "\"");
        if (!m_unchanged)
            m_unchanged = CompareFrames(m_lastVideo.get(), m_lastVideo.get());
        DecodedFrame repeat { MakeFrame(), true, *m_unchanged };
        Check(av_frame_ref(repeat.frame.get(), m_lastVideo.get()), "out of memory");
        const Repeat& timing = m_repeats.front();
        repeat.frame->pts = timing.pts;
        repeat.frame->pkt_dts = timing.dts;
        repeat.frame->best_effort_timestamp = timing.pts != AV_NOPTS_VALUE ? timing.pts : timing.dts;
        m_repeats.pop_front();
        ++m_skipped;
        PutOrStop(std::move(repeat));
    }
}

void FrameReader::PutOrStop(DecodedFrame frame)
{
    if (!Put(std::move(frame)))
        throw Stopping {};
}

void FrameReader::Decode(AVCodecContext* decoder, const AVPacket* packet, bool video)
{
    Check(avcodec_send_packet(decoder, packet), "damaged movie \"" + m_movie.Path() + "\"");
    while (true) {
        DecodedFrame decoded { MakeFrame(), video, {} };
        const int result = avcodec_receive_frame(decoder, decoded.frame.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return;
        Check(result, "damaged movie \"" + m_movie.Path() + "\"");
        if (video) {
            // Comparing here keeps the export's own thread for converting.
            decoded.changes = CompareFrames(
                m_lastVideo->data[0] != nullptr ? m_lastVideo.get() : nullptr, decoded.frame.get());
            if (decoded.changes.all)
                m_unchanged.reset(); // a new size, perhaps
            av_frame_unref(m_lastVideo.get());
            Check(av_frame_ref(m_lastVideo.get(), decoded.frame.get()), "out of memory");
            ++m_received;
        }
        PutOrStop(std::move(decoded));
        if (video)
            PutRepeats(false);
    }
}

} // namespace vtapi
