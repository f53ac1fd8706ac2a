#include "MovieConverter.h"

#include <vector>

namespace vtapi {

void RemuxToCurrent(MovieSource& movie, const std::string& outputPath, const TaskControl& control)
{
    PartialFile file(outputPath);
    {
        OutputFormatPtr output = OpenOutput(file.TemporaryPath(), "matroska");
        AVFormatContext* input = movie.Format();
        std::vector<int> map(input->nb_streams, -1);
        for (const int index : { movie.VideoStream(), movie.AudioStream() }) {
            if (index < 0)
                continue;
            const AVStream* in = input->streams[index];
            AVStream* out = avformat_new_stream(output.get(), nullptr);
            if (out == nullptr)
                throw MovieError("out of memory");
            Check(avcodec_parameters_copy(out->codecpar, in->codecpar), "stream copy");
            // AVI's FOURCCs mean nothing to Matroska, which names codecs itself.
            out->codecpar->codec_tag = 0;
            out->time_base = in->time_base;
            out->avg_frame_rate = in->avg_frame_rate;
            map[static_cast<size_t>(index)] = out->index;
        }
        TagCurrentMovie(output.get(), movie.Cursor());
        Check(avformat_write_header(output.get(), nullptr), "cannot write \"" + outputPath + "\"");

        const AVStream* video = input->streams[movie.VideoStream()];
        const std::int64_t total = std::max<std::int64_t>(1, movie.FrameCount());
        std::int64_t frames = 0;
        std::int64_t nextDts[2] = { 0, 0 };
        PacketPtr packet = MakePacket();
        while (true) {
            control.CheckCancel();
            if (!movie.ReadPacket(packet.get()))
                break;
            const int target = packet->stream_index < static_cast<int>(map.size())
                ? map[static_cast<size_t>(packet->stream_index)]
                : -1;
            if (target < 0) {
                av_packet_unref(packet.get());
                continue;
            }
            const AVStream* in = input->streams[packet->stream_index];
            // AVI gives decode times only; these streams have no reordering.
            if (packet->pts == AV_NOPTS_VALUE)
                packet->pts = packet->dts;
            if (packet->pts == AV_NOPTS_VALUE)
                packet->pts = packet->dts = nextDts[target & 1];
            nextDts[target & 1] = packet->pts + std::max<std::int64_t>(1, packet->duration);
            av_packet_rescale_ts(packet.get(), in->time_base, output->streams[target]->time_base);
            packet->stream_index = target;
            packet->pos = -1;
            Check(av_interleaved_write_frame(output.get(), packet.get()),
                "cannot write \"" + outputPath + "\"");
            if (in == video) {
                ++frames;
                control.Progress(std::min(frames, total), total);
            }
        }
        Check(av_write_trailer(output.get()), "cannot write \"" + outputPath + "\"");
    }
    file.Commit();
}

ConvertOutcome ConvertMovieFile(
    const std::string& source, const std::string& output, const TaskControl& control)
{
    // A compressed movie is unpacked first: that is the first half of the
    // progress, copying the packets the second.
    constexpr std::int64_t kScale = 1000;
    const auto scaled = [&control](std::int64_t base) {
        TaskControl part = control;
        part.progress = [&control, base](std::int64_t done, std::int64_t total) {
            control.Progress(base + done * (kScale / 2) / std::max<std::int64_t>(1, total), kScale);
        };
        return part;
    };
    MovieSource movie(source, scaled(0));
    if (!movie.Compressed() && movie.Layout() == MovieLayout::Current)
        return ConvertOutcome::Skipped;
    RemuxToCurrent(movie, output, movie.Compressed() ? scaled(kScale / 2) : control);
    return ConvertOutcome::Converted;
}

} // namespace vtapi
