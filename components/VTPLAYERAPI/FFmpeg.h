#pragma once

// Owners for FFmpeg's objects, so that no early return leaks a context.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <stdexcept>
#include <string>

namespace vtapi {

struct InputFormatDeleter {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
using InputFormatPtr = std::unique_ptr<AVFormatContext, InputFormatDeleter>;

// An output context that owns its file handle (closed before the context).
struct OutputFormatDeleter {
    void operator()(AVFormatContext* context) const
    {
        if (context->pb != nullptr && (context->oformat->flags & AVFMT_NOFILE) == 0)
            avio_closep(&context->pb);
        avformat_free_context(context);
    }
};
using OutputFormatPtr = std::unique_ptr<AVFormatContext, OutputFormatDeleter>;

struct CodecContextDeleter {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;

struct FrameDeleter {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;

struct PacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;

struct SwsDeleter {
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};
using SwsPtr = std::unique_ptr<SwsContext, SwsDeleter>;

struct SwrDeleter {
    void operator()(SwrContext* context) const { swr_free(&context); }
};
using SwrPtr = std::unique_ptr<SwrContext, SwrDeleter>;

struct DictionaryDeleter {
    void operator()(AVDictionary* dictionary) const { av_dict_free(&dictionary); }
};

// A failure of the movie pipeline, with the text that the trace shows.
class MovieError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The cancel request seen by a pipeline; it unwinds through this exception.
class Cancelled : public std::exception {
public:
    const char* what() const noexcept override { return "cancelled"; }
};

inline std::string AvErrorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// Throws MovieError("what: FFmpeg's text") when `code` is negative; returns it otherwise.
inline int Check(int code, const std::string& what)
{
    if (code < 0)
        throw MovieError(what + ": " + AvErrorText(code));
    return code;
}

inline FramePtr MakeFrame()
{
    FramePtr frame(av_frame_alloc());
    if (!frame)
        throw MovieError("out of memory");
    return frame;
}

inline PacketPtr MakePacket()
{
    PacketPtr packet(av_packet_alloc());
    if (!packet)
        throw MovieError("out of memory");
    return packet;
}

} // namespace vtapi
