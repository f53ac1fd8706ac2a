#include "MovieFileQT.h"

using vtapi::Check;
using vtapi::MovieError;

VTQTMovie::VTQTMovie(const std::string& moviePath)
    : path(moviePath)
{
    AVFormatContext* raw = nullptr;
    Check(avformat_alloc_output_context2(&raw, nullptr, "mov", path.c_str()), "the mov writer");
    output.reset(raw);
    Check(avio_open(&output->pb, path.c_str(), AVIO_FLAG_WRITE), "cannot create \"" + path + "\"");
}

void VTQTMovie::AddSound(std::unique_ptr<vtqt::SoundTrack> sound)
{
    m_sound = std::move(sound);
    m_pending = vtapi::MakePacket();
}

void VTQTMovie::BeginEdits()
{
    editing = true;
    // Without a video track there is nothing to wait for.
    if (session == nullptr)
        WriteHeader();
}

void VTQTMovie::WriteHeader()
{
    if (headerWritten)
        return;
    AVDictionary* options = nullptr;
    if (flatten)
        av_dict_set(&options, "movflags", "faststart", 0);
    const int result = avformat_write_header(output.get(), &options);
    av_dict_free(&options);
    Check(result, "cannot write \"" + path + "\"");
    headerWritten = true;
}

void VTQTMovie::WriteSoundUpTo(double seconds)
{
    if (!m_sound)
        return;
    AVStream* stream = m_sound->Stream();
    while (!m_soundDone) {
        if (m_pending->data == nullptr && !m_sound->Next(m_pending.get())) {
            m_soundDone = true;
            break;
        }
        const std::int64_t time = m_pending->dts != AV_NOPTS_VALUE ? m_pending->dts : m_pending->pts;
        if (seconds >= 0 && time != AV_NOPTS_VALUE && time * av_q2d(stream->time_base) > seconds)
            break;
        m_pending->stream_index = stream->index;
        Check(av_interleaved_write_frame(output.get(), m_pending.get()), "cannot write \"" + path + "\"");
    }
}

void VTQTMovie::WriteVideo(AVPacket* packet, AVStream* stream)
{
    const std::int64_t time = packet->dts != AV_NOPTS_VALUE ? packet->dts : packet->pts;
    if (time != AV_NOPTS_VALUE)
        WriteSoundUpTo(std::max(0.0, time * av_q2d(stream->time_base)));
    packet->stream_index = stream->index;
    Check(av_interleaved_write_frame(output.get(), packet), "cannot write \"" + path + "\"");
}

void VTQTMovie::EndEdits()
{
    WriteHeader();
    WriteSoundUpTo(-1);
}

void VTQTMovie::Close()
{
    if (!headerWritten)
        throw MovieError("\"" + path + "\" was closed before its media were written");
    Check(av_write_trailer(output.get()), "cannot write \"" + path + "\"");
    Check(avio_closep(&output->pb), "cannot write \"" + path + "\"");
}
