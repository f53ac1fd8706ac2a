#include "MovieTestSupport.h"

#include "MovieWriter.h"
#include "TestEnvironment.h"
#include "xml/XMLSettings.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

extern "C" {
#include <libavutil/imgutils.h>
}

namespace vtapi::test {

SyntheticOptions TinyOptions(double seconds)
{
    // FFmpeg's own chatter would drown the test output.
    av_log_set_level(AV_LOG_ERROR);
    SyntheticOptions options;
    options.width = 64;
    options.height = 48;
    options.frameRate = AVRational { 10, 1 };
    options.seconds = seconds;
    options.sampleRate = 22050;
    options.channels = 1;
    return options;
}

void MakeMovie(const std::string& path, MovieKind kind, const SyntheticOptions& options)
{
    const bool old = kind == MovieKind::Version14 || kind == MovieKind::CompressedVersion14;
    const MovieLayout layout = old ? MovieLayout::Version14 : MovieLayout::Current;
    if (kind == MovieKind::Current || kind == MovieKind::Version14) {
        WriteSyntheticMovie(path, options, layout, TaskControl {});
        return;
    }
    const std::string plain = path + ".plain";
    WriteSyntheticMovie(plain, options, layout, TaskControl {});
    CompressFile(plain, path, 3, TaskControl {});
    std::remove(plain.c_str());
}

Probe ProbeFile(const std::string& path)
{
    AVFormatContext* raw = nullptr;
    Check(avformat_open_input(&raw, path.c_str(), nullptr, nullptr), "probe " + path);
    InputFormatPtr format(raw);
    Check(avformat_find_stream_info(format.get(), nullptr), "probe " + path);
    Probe probe;
    probe.container = format->iformat->name;
    probe.duration = format->duration > 0 ? static_cast<double>(format->duration) / AV_TIME_BASE : 0;
    if (const AVDictionaryEntry* tag = av_dict_get(format->metadata, kVersionTag, nullptr, 0))
        probe.versionTag = tag->value;
    int videoIndex = -1;
    int audioIndex = -1;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* stream = format->streams[i];
        const AVCodecParameters* par = stream->codecpar;
        if (par->codec_type == AVMEDIA_TYPE_VIDEO && videoIndex < 0) {
            videoIndex = static_cast<int>(i);
            probe.videoCodec = avcodec_get_name(par->codec_id);
            if (par->codec_tag != 0) {
                char tag[AV_FOURCC_MAX_STRING_SIZE] = {};
                probe.videoTag = av_fourcc_make_string(tag, par->codec_tag);
            }
            probe.width = par->width;
            probe.height = par->height;
            probe.frameRate
                = av_q2d(stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate);
        } else if (par->codec_type == AVMEDIA_TYPE_AUDIO && !probe.hasAudio) {
            probe.hasAudio = true;
            audioIndex = static_cast<int>(i);
            probe.audioCodec = avcodec_get_name(par->codec_id);
            probe.channels = par->ch_layout.nb_channels;
            probe.sampleRate = par->sample_rate;
            probe.audioBitRate = par->bit_rate;
        } else if (par->codec_type == AVMEDIA_TYPE_ATTACHMENT && par->extradata != nullptr) {
            probe.cursorTrack.assign(
                reinterpret_cast<const char*>(par->extradata), static_cast<size_t>(par->extradata_size));
        }
    }
    PacketPtr packet = MakePacket();
    while (av_read_frame(format.get(), packet.get()) >= 0) {
        const AVStream* stream = format->streams[packet->stream_index];
        const std::int64_t start = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        const double end = start == AV_NOPTS_VALUE
            ? 0
            : av_q2d(stream->time_base) * static_cast<double>(start + packet->duration);
        if (packet->stream_index == audioIndex)
            probe.audioEnd = std::max(probe.audioEnd, end);
        if (packet->stream_index == videoIndex) {
            probe.videoEnd = std::max(probe.videoEnd, end);
            ++probe.videoPackets;
            probe.videoBytes += packet->size;
            if (packet->flags & AV_PKT_FLAG_KEY)
                ++probe.keyFrames;
        }
        av_packet_unref(packet.get());
    }
    return probe;
}

std::uint32_t FirstFramePixel(const std::string& path, int x, int y)
{
    AVFormatContext* raw = nullptr;
    Check(avformat_open_input(&raw, path.c_str(), nullptr, nullptr), "decode " + path);
    InputFormatPtr format(raw);
    Check(avformat_find_stream_info(format.get(), nullptr), "decode " + path);
    const int index
        = Check(av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0), "decode");
    const AVStream* stream = format->streams[index];
    const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    CodecContextPtr context(avcodec_alloc_context3(decoder));
    Check(avcodec_parameters_to_context(context.get(), stream->codecpar), "decode");
    Check(avcodec_open2(context.get(), decoder, nullptr), "decode");
    PacketPtr packet = MakePacket();
    FramePtr frame = MakeFrame();
    bool got = false;
    while (!got && av_read_frame(format.get(), packet.get()) >= 0) {
        if (packet->stream_index == index) {
            Check(avcodec_send_packet(context.get(), packet.get()), "decode");
            got = avcodec_receive_frame(context.get(), frame.get()) >= 0;
        }
        av_packet_unref(packet.get());
    }
    if (!got) {
        avcodec_send_packet(context.get(), nullptr);
        got = avcodec_receive_frame(context.get(), frame.get()) >= 0;
    }
    if (!got)
        throw MovieError("no frame in " + path);
    SwsPtr scaler(sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
        frame->width, frame->height, AV_PIX_FMT_RGB24, SWS_POINT, nullptr, nullptr, nullptr));
    std::vector<uint8_t> rgb(static_cast<size_t>(frame->width) * static_cast<size_t>(frame->height) * 3);
    uint8_t* planes[4] = { rgb.data(), nullptr, nullptr, nullptr };
    int strides[4] = { frame->width * 3, 0, 0, 0 };
    sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, planes, strides);
    const uint8_t* p = rgb.data()
        + (static_cast<size_t>(y) * static_cast<size_t>(frame->width) + static_cast<size_t>(x)) * 3;
    return (static_cast<std::uint32_t>(p[0]) << 16) | (static_cast<std::uint32_t>(p[1]) << 8) | p[2];
}

void WriteSettings(const std::string& path, const std::map<std::string, SettingValue>& values)
{
    TXMLSettings store(false);
    for (const auto& [key, value] : values) {
        if (const int* i = std::get_if<int>(&value))
            store.SetInteger(key, *i);
        else if (const bool* b = std::get_if<bool>(&value))
            store.SetBool(key, *b);
        else
            store.SetFloat(key, std::get<double>(value));
    }
    if (!store.SaveFile(path))
        throw MovieError("cannot save " + path);
}

std::vector<std::string> FolderContents(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The program's path along $PATH, "" when it is not there.
static std::string ProgramPath(const std::string& program)
{
    const auto found = vantor::test::RunProgram({ "/bin/sh", "-c", "command -v '" + program + "'" });
    return found.status == 0 ? found.output.substr(0, found.output.find('\n')) : "";
}

bool HasProgram(const std::string& program)
{
    return !ProgramPath(program).empty();
}

std::string GStreamerProblem(const std::string& path, const std::vector<std::string>& lines, bool withSound)
{
    const auto discover = vantor::test::RunProgram({ ProgramPath("gst-discoverer-1.0"), path });
    for (const std::string& line : lines)
        if (discover.status != 0 || discover.output.find(line) == std::string::npos)
            return "no \"" + line + "\" in what gst-discoverer-1.0 says:\n" + discover.output;
    // A branch without a stream would never preroll.
    std::vector<std::string> pipeline = { ProgramPath("gst-launch-1.0"), "-q", "filesrc", "location=" + path,
        "!", "decodebin", "name=d", "d.", "!", "queue", "!", "fakesink" };
    if (withSound)
        pipeline.insert(pipeline.end(), { "d.", "!", "queue", "!", "fakesink" });
    const auto play = vantor::test::RunProgram(pipeline);
    return play.status == 0 ? "" : "decodebin ! fakesink failed:\n" + play.output;
}

} // namespace vtapi::test
