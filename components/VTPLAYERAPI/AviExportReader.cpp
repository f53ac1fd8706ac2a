#include "AviExportReader.h"

namespace vtapi {

namespace {

// Decoded frames waiting for the export: enough to smooth out the
// difference between a changed frame and a repeated one, few enough that
// 4K frames stay within some tens of megabytes.
constexpr size_t kAhead = 6;

// Thrown inside the thread when the reader is stopping.
struct Stopping { };

} // namespace

AviExportReader::AviExportReader(MovieSource& movie, AVCodecContext* video, AVCodecContext* audio)
    : m_movie(movie)
    , m_video(video)
    , m_audio(audio)
    , m_lastVideo(MakeFrame())
    , m_thread([this] { Run(); })
{
}

AviExportReader::~AviExportReader()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

bool AviExportReader::Next(DecodedFrame* out)
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

bool AviExportReader::Put(DecodedFrame frame)
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

void AviExportReader::Run()
{
    std::exception_ptr error;
    try {
        const PacketPtr packet = MakePacket();
        while (m_movie.ReadPacket(packet.get())) {
            if (packet->stream_index == m_movie.VideoStream())
                Decode(m_video, packet.get(), true);
            else if (m_audio != nullptr && packet->stream_index == m_movie.AudioStream())
                Decode(m_audio, packet.get(), false);
            av_packet_unref(packet.get());
        }
        Decode(m_video, nullptr, true);
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

void AviExportReader::Decode(AVCodecContext* decoder, const AVPacket* packet, bool video)
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
            av_frame_unref(m_lastVideo.get());
            Check(av_frame_ref(m_lastVideo.get(), decoded.frame.get()), "out of memory");
        }
        if (!Put(std::move(decoded)))
            throw Stopping {};
    }
}

} // namespace vtapi
