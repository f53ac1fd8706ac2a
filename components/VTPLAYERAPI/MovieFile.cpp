#include "MovieFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <unistd.h>
#include <zstd.h>

extern "C" {
#include <libavutil/dict.h>
}

namespace vtapi {

namespace fs = std::filesystem;

namespace {

std::string ErrnoText(const std::string& what, const std::string& path)
{
    return what + " \"" + path + "\": " + std::strerror(errno);
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

FilePtr OpenFile(const std::string& path, const char* mode)
{
    FilePtr file(std::fopen(path.c_str(), mode));
    if (!file)
        throw MovieError(ErrnoText("cannot open", path));
    return file;
}

std::int64_t FileSize(const std::string& path)
{
    std::error_code error;
    const auto size = fs::file_size(path, error);
    return error ? 0 : static_cast<std::int64_t>(size);
}

struct ZstdDStreamDeleter {
    void operator()(ZSTD_DStream* stream) const { ZSTD_freeDStream(stream); }
};
struct ZstdCStreamDeleter {
    void operator()(ZSTD_CStream* stream) const { ZSTD_freeCStream(stream); }
};

void WriteAll(std::FILE* file, const void* data, size_t size, const std::string& path)
{
    if (size != 0 && std::fwrite(data, 1, size, file) != size)
        throw MovieError(ErrnoText("cannot write", path));
}

// Chooses the first video stream (not an attached picture) and the first
// audio stream.
void FindStreams(AVFormatContext* format, int* video, int* audio)
{
    *video = -1;
    *audio = -1;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* stream = format->streams[i];
        const AVMediaType type = stream->codecpar->codec_type;
        if (type == AVMEDIA_TYPE_VIDEO && *video < 0
            && (stream->disposition & AV_DISPOSITION_ATTACHED_PIC) == 0)
            *video = static_cast<int>(i);
        else if (type == AVMEDIA_TYPE_AUDIO && *audio < 0)
            *audio = static_cast<int>(i);
    }
}

bool HeadersComplete(const AVFormatContext* format)
{
    bool video = false;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* stream = format->streams[i];
        const AVCodecParameters* par = stream->codecpar;
        if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
            if (par->width <= 0 || par->height <= 0 || stream->avg_frame_rate.num <= 0
                || stream->avg_frame_rate.den <= 0)
                return false;
            video = true;
        } else if (par->codec_type == AVMEDIA_TYPE_AUDIO) {
            if (par->sample_rate <= 0 || par->ch_layout.nb_channels <= 0 || par->format < 0)
                return false;
        }
    }
    return video && format->duration > 0;
}

} // namespace

std::string FormatCursorTrack(const CursorTrack& track)
{
    std::string text;
    char line[64];
    for (const CursorSample& sample : track) {
        std::snprintf(
            line, sizeof line, "%lld\t%d\t%d\n", static_cast<long long>(sample.timeMs), sample.x, sample.y);
        text += line;
    }
    return text;
}

CursorTrack ParseCursorTrack(const std::string& text)
{
    CursorTrack track;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        long long time = 0;
        int x = 0;
        int y = 0;
        char rest = 0;
        if (std::sscanf(line.c_str(), "%lld %d %d %c", &time, &x, &y, &rest) == 3 && time >= 0)
            track.push_back({ time, x, y });
    }
    std::stable_sort(track.begin(), track.end(),
        [](const CursorSample& a, const CursorSample& b) { return a.timeMs < b.timeMs; });
    return track;
}

bool CursorAt(const CursorTrack& track, std::int64_t timeMs, int* x, int* y)
{
    if (track.empty())
        return false;
    auto next = std::upper_bound(track.begin(), track.end(), timeMs,
        [](std::int64_t time, const CursorSample& sample) { return time < sample.timeMs; });
    const CursorSample& sample = next == track.begin() ? *next : *(next - 1);
    *x = sample.x;
    *y = sample.y;
    return true;
}

void TaskControl::CheckCancel() const
{
    if (Cancelled())
        throw vtapi::Cancelled();
}

void TaskControl::Progress(std::int64_t done, std::int64_t total) const
{
    if (progress)
        progress(done, total);
}

bool IsZstdFile(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    unsigned char magic[4] = {};
    const size_t got = std::fread(magic, 1, 4, file);
    std::fclose(file);
    // ZSTD_MAGICNUMBER 0xFD2FB528, stored little-endian.
    return got == 4 && magic[0] == 0x28 && magic[1] == 0xB5 && magic[2] == 0x2F && magic[3] == 0xFD;
}

void DecompressFile(const std::string& source, const std::string& target, const TaskControl& control)
{
    FilePtr in = OpenFile(source, "rb");
    FilePtr out = OpenFile(target, "wb");
    std::unique_ptr<ZSTD_DStream, ZstdDStreamDeleter> stream(ZSTD_createDStream());
    if (!stream)
        throw MovieError("out of memory");
    ZSTD_initDStream(stream.get());
    const std::int64_t total = std::max<std::int64_t>(FileSize(source), 1);
    std::int64_t done = 0;
    std::vector<char> inBuffer(ZSTD_DStreamInSize());
    std::vector<char> outBuffer(ZSTD_DStreamOutSize());
    size_t lastResult = 0;
    bool any = false;
    while (true) {
        control.CheckCancel();
        const size_t got = std::fread(inBuffer.data(), 1, inBuffer.size(), in.get());
        if (got == 0) {
            if (std::ferror(in.get()))
                throw MovieError(ErrnoText("cannot read", source));
            break;
        }
        any = true;
        ZSTD_inBuffer input { inBuffer.data(), got, 0 };
        // A full output buffer may hide more output for the same input.
        bool outputFull = false;
        while (input.pos < input.size || outputFull) {
            ZSTD_outBuffer output { outBuffer.data(), outBuffer.size(), 0 };
            lastResult = ZSTD_decompressStream(stream.get(), &output, &input);
            if (ZSTD_isError(lastResult))
                throw MovieError(
                    "damaged compressed movie \"" + source + "\": " + ZSTD_getErrorName(lastResult));
            WriteAll(out.get(), outBuffer.data(), output.pos, target);
            outputFull = output.pos == output.size;
        }
        done += static_cast<std::int64_t>(got);
        control.Progress(done, total);
    }
    // A non-zero last result means the final frame was cut short.
    if (!any || lastResult != 0)
        throw MovieError("damaged compressed movie \"" + source + "\": the data ends early");
    if (std::fflush(out.get()) != 0)
        throw MovieError(ErrnoText("cannot write", target));
}

void CompressFile(const std::string& source, const std::string& target, int level, const TaskControl& control)
{
    FilePtr in = OpenFile(source, "rb");
    FilePtr out = OpenFile(target, "wb");
    std::unique_ptr<ZSTD_CStream, ZstdCStreamDeleter> stream(ZSTD_createCStream());
    if (!stream)
        throw MovieError("out of memory");
    ZSTD_initCStream(stream.get(), level);
    const std::int64_t total = std::max<std::int64_t>(FileSize(source), 1);
    std::int64_t done = 0;
    std::vector<char> inBuffer(ZSTD_CStreamInSize());
    std::vector<char> outBuffer(ZSTD_CStreamOutSize());
    while (true) {
        control.CheckCancel();
        const size_t got = std::fread(inBuffer.data(), 1, inBuffer.size(), in.get());
        if (got == 0 && std::ferror(in.get()))
            throw MovieError(ErrnoText("cannot read", source));
        const bool last = got < inBuffer.size();
        ZSTD_inBuffer input { inBuffer.data(), got, 0 };
        bool finished = false;
        while (!finished) {
            ZSTD_outBuffer output { outBuffer.data(), outBuffer.size(), 0 };
            const size_t remaining
                = ZSTD_compressStream2(stream.get(), &output, &input, last ? ZSTD_e_end : ZSTD_e_continue);
            if (ZSTD_isError(remaining))
                throw MovieError(std::string("compression failed: ") + ZSTD_getErrorName(remaining));
            WriteAll(out.get(), outBuffer.data(), output.pos, target);
            finished = last ? remaining == 0 : input.pos == input.size;
        }
        done += static_cast<std::int64_t>(got);
        control.Progress(done, total);
        if (last)
            break;
    }
    if (std::fflush(out.get()) != 0)
        throw MovieError(ErrnoText("cannot write", target));
}

MovieSource::MovieSource(const std::string& path, const TaskControl& control)
    : m_path(path)
{
    if (path.empty())
        throw MovieError("no movie path");
    if (::access(path.c_str(), R_OK) != 0)
        throw MovieError(ErrnoText("cannot open", path));
    std::string readPath = path;
    if (IsZstdFile(path)) {
        m_compressed = true;
        m_unpacked = std::make_unique<TemporaryFile>();
        DecompressFile(path, m_unpacked->Path(), control);
        readPath = m_unpacked->Path();
    }
    control.CheckCancel();

    AVFormatContext* raw = nullptr;
    Check(
        avformat_open_input(&raw, readPath.c_str(), nullptr, nullptr), "cannot read movie \"" + path + "\"");
    m_format.reset(raw);
    // Both layouts name every stream's parameters in their headers; probing
    // by decoding (which costs a frame's decoding per movie) is needed only
    // when a header leaves something out.
    if (!HeadersComplete(m_format.get()))
        Check(avformat_find_stream_info(m_format.get(), nullptr), "damaged movie \"" + path + "\"");

    const std::string formatName = m_format->iformat->name;
    if (formatName.find("matroska") != std::string::npos) {
        const AVDictionaryEntry* tag = av_dict_get(m_format->metadata, kVersionTag, nullptr, 0);
        if (tag == nullptr)
            throw MovieError("\"" + path + "\" is no Vantor movie (no version tag)");
        if (std::strcmp(tag->value, kCurrentVersion) != 0)
            throw MovieError("\"" + path + "\" has the unknown movie version " + tag->value);
        m_layout = MovieLayout::Current;
    } else if (formatName == "avi") {
        m_layout = MovieLayout::Version14;
    } else {
        throw MovieError("\"" + path + "\" is no Vantor movie (" + formatName + ")");
    }

    FindStreams(m_format.get(), &m_videoStream, &m_audioStream);
    if (m_videoStream < 0)
        throw MovieError("damaged movie \"" + path + "\": no video stream");
    const AVStream* video = m_format->streams[m_videoStream];
    if (video->codecpar->width <= 0 || video->codecpar->height <= 0)
        throw MovieError("damaged movie \"" + path + "\": no frame size");
    if (avcodec_find_decoder(video->codecpar->codec_id) == nullptr)
        throw MovieError("movie \"" + path + "\" uses a video codec this system cannot decode");
    AVRational rate = video->avg_frame_rate;
    if (rate.num <= 0 || rate.den <= 0)
        rate = video->r_frame_rate;
    if (rate.num > 0 && rate.den > 0)
        m_frameRate = av_inv_q(av_inv_q(rate)); // reduced

    for (unsigned i = 0; i < m_format->nb_streams; ++i) {
        const AVStream* stream = m_format->streams[i];
        if (stream->codecpar->codec_type != AVMEDIA_TYPE_ATTACHMENT)
            continue;
        const AVDictionaryEntry* name = av_dict_get(stream->metadata, "filename", nullptr, 0);
        if (name != nullptr && std::strcmp(name->value, kCursorAttachmentName) == 0
            && stream->codecpar->extradata != nullptr) {
            m_cursor
                = ParseCursorTrack(std::string(reinterpret_cast<const char*>(stream->codecpar->extradata),
                    static_cast<size_t>(stream->codecpar->extradata_size)));
        }
    }
}

MovieSource::~MovieSource() = default;

int MovieSource::Width() const
{
    return m_format->streams[m_videoStream]->codecpar->width;
}

int MovieSource::Height() const
{
    return m_format->streams[m_videoStream]->codecpar->height;
}

std::int64_t MovieSource::Duration() const
{
    const AVStream* video = m_format->streams[m_videoStream];
    if (video->duration > 0)
        return av_rescale_q(video->duration, video->time_base, AV_TIME_BASE_Q);
    return m_format->duration > 0 ? m_format->duration : 0;
}

std::int64_t MovieSource::FrameCount() const
{
    const AVStream* video = m_format->streams[m_videoStream];
    if (video->nb_frames > 0)
        return video->nb_frames;
    return av_rescale_q_rnd(Duration(), AV_TIME_BASE_Q, av_inv_q(m_frameRate),
        static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
}

bool MovieSource::ReadPacket(AVPacket* packet)
{
    const int result = av_read_frame(m_format.get(), packet);
    if (result != AVERROR_EOF) {
        Check(result, "damaged movie \"" + m_path + "\"");
        const AVStream* stream = m_format->streams[packet->stream_index];
        const std::int64_t start = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        if (start != AV_NOPTS_VALUE) {
            const std::int64_t origin = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
            m_dataEnd = std::max(m_dataEnd,
                av_rescale_q(start - origin + std::max<std::int64_t>(0, packet->duration), stream->time_base,
                    AV_TIME_BASE_Q));
        }
        return true;
    }
    // A frame's worth of slack: the stated duration is rounded to the
    // container's time base.
    const std::int64_t slack = av_rescale_q(1, av_inv_q(m_frameRate), AV_TIME_BASE_Q) + AV_TIME_BASE / 1000;
    // AVI states its length as a frame count in the header; the duration
    // the demuxer gives a file without its index is what it found.
    const std::int64_t frames = m_format->streams[m_videoStream]->nb_frames;
    const std::int64_t stated
        = std::max(Duration(), frames > 0 ? av_rescale_q(frames, av_inv_q(m_frameRate), AV_TIME_BASE_Q) : 0);
    if (stated > 0 && m_dataEnd + slack < stated) {
        char text[96];
        std::snprintf(text, sizeof text, "\": the data ends at %.3f s of %.3f s",
            static_cast<double>(m_dataEnd) / AV_TIME_BASE, static_cast<double>(stated) / AV_TIME_BASE);
        throw MovieError("damaged movie \"" + m_path + text);
    }
    return false;
}

void MovieSource::Rewind()
{
    m_dataEnd = 0;
    Check(avformat_seek_file(m_format.get(), -1, INT64_MIN, 0, 0, AVSEEK_FLAG_BACKWARD),
        "cannot rewind \"" + m_path + "\"");
}

OutputFormatPtr OpenOutput(const std::string& path, const char* formatName)
{
    AVFormatContext* raw = nullptr;
    Check(avformat_alloc_output_context2(&raw, nullptr, formatName, path.c_str()),
        "cannot create \"" + path + "\"");
    OutputFormatPtr output(raw);
    if ((output->oformat->flags & AVFMT_NOFILE) == 0)
        Check(avio_open(&output->pb, path.c_str(), AVIO_FLAG_WRITE), "cannot write \"" + path + "\"");
    return output;
}

void TagCurrentMovie(AVFormatContext* output, const CursorTrack& cursor)
{
    av_dict_set(&output->metadata, kVersionTag, kCurrentVersion, 0);
    if (cursor.empty())
        return;
    AVStream* stream = avformat_new_stream(output, nullptr);
    if (stream == nullptr)
        throw MovieError("out of memory");
    const std::string text = FormatCursorTrack(cursor);
    stream->codecpar->codec_type = AVMEDIA_TYPE_ATTACHMENT;
    stream->codecpar->codec_id = AV_CODEC_ID_TEXT;
    stream->codecpar->extradata
        = static_cast<uint8_t*>(av_mallocz(text.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (stream->codecpar->extradata == nullptr)
        throw MovieError("out of memory");
    std::memcpy(stream->codecpar->extradata, text.data(), text.size());
    stream->codecpar->extradata_size = static_cast<int>(text.size());
    av_dict_set(&stream->metadata, "filename", kCursorAttachmentName, 0);
    av_dict_set(&stream->metadata, "mimetype", kCursorMimeType, 0);
}

} // namespace vtapi
