#include "FlashExport.h"

#include "FlashOutputs.h"
#include "FlvExport.h"
#include "SwfExport.h"
#include "SwfPlayer.h"
#include "flash/page/FlashPage.h"
#include "flash/swf/SwfBitWriter.h"
#include "flash/swf/SwfMovieReader.h"
#include "support/Trace.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <zlib.h>

namespace vtapi {

namespace {

// The whole-file compression of MXCompression: the pictures inside are
// deflated already, so a higher level gains little and costs time.
constexpr int kMovieDeflateLevel = 6;

std::string FileName(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Title(const std::string& moviePath)
{
    std::string name = FileName(moviePath);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

void WritePage(FlashOutputs& outputs, const FlashSettings& settings, const std::string& outputPath,
    const std::string& embedded, SwfPixelSize size, const std::vector<std::string>& files,
    const std::string& moviePath)
{
    vantor::page::FlashPageRequest request;
    request.templateName = settings.htmlTemplateFileName;
    request.title = Title(moviePath);
    request.movieFile = FileName(embedded);
    request.width = size.width;
    request.height = size.height;
    if (settings.useSecureCode)
        request.secureCode = settings.secureCode;
    for (const std::string& file : files)
        request.files.push_back(FileName(file));
    const std::string pagePath = SiblingOutput(outputPath, ".html");
    vantor::page::TemplateSource source = vantor::page::TemplateSource::BuiltIn;
    const int error = vantor::page::WriteFlashPage(outputs.Add(pagePath), request, &source);
    if (error != 0)
        throw MovieError("cannot write \"" + pagePath + "\": " + std::strerror(error));
    if (source == vantor::page::TemplateSource::MissingFile)
        TraceWarning("ExportFlash: the template \"%s\" cannot be read; the default template stands in",
            settings.htmlTemplateFileName.c_str());
}

// Writes the movie as SwfMovieWriter::Finish would, straight from the
// timeline: a long movie is not copied twice more in memory.
void WriteMovieFile(
    OutputFile& file, const SwfStage& stage, double fps, const SwfTimeline& timeline, bool compressed)
{
    SwfBitWriter head;
    head.Rect({ 0, stage.width * kTwipsPerPixel, 0, stage.height * kTwipsPerPixel });
    head.U16(static_cast<std::uint16_t>(std::lround(fps * 256.0)));
    head.U16(timeline.FrameCount());
    static const std::uint8_t kEnd[2] = { 0, 0 };
    const std::span<const std::uint8_t> parts[] = { head.Data(),
        std::span<const std::uint8_t>(timeline.Bytes()), std::span<const std::uint8_t>(kEnd) };
    std::size_t length = 8;
    for (const auto& part : parts)
        length += part.size();
    SwfBitWriter signature;
    signature.Bytes(
        std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(compressed ? "CWS" : "FWS"), 3));
    signature.U8(kSwfVersion);
    signature.U32(static_cast<std::uint32_t>(length));
    file.Write(signature.Data().data(), signature.Size());
    if (!compressed) {
        for (const auto& part : parts)
            file.Write(part.data(), part.size());
        return;
    }
    z_stream zs {};
    if (deflateInit(&zs, kMovieDeflateLevel) != Z_OK)
        throw MovieError("zlib could not start");
    std::unique_ptr<z_stream, int (*)(z_stream*)> owner(&zs, &deflateEnd);
    std::vector<std::uint8_t> out(1 << 18);
    for (std::size_t i = 0; i < std::size(parts); ++i) {
        const bool last = i + 1 == std::size(parts);
        zs.next_in = const_cast<std::uint8_t*>(parts[i].data());
        zs.avail_in = static_cast<uInt>(parts[i].size());
        int status = Z_OK;
        do {
            zs.next_out = out.data();
            zs.avail_out = static_cast<uInt>(out.size());
            status = deflate(&zs, last ? Z_FINISH : Z_NO_FLUSH);
            if (status == Z_STREAM_ERROR)
                throw MovieError("zlib could not compress the movie");
            file.Write(out.data(), out.size() - zs.avail_out);
        } while (zs.avail_out == 0 || (last && status != Z_STREAM_END));
    }
}

std::vector<std::string> ExportSwf(MovieSource& movie, const FlashSettings& settings,
    const std::string& outputPath, const std::string& barFolder, const TaskControl& control)
{
    const SwfPictureLayout layout = PlanSwfPictures(movie, settings);
    const double fps = av_q2d(layout.rate);
    const bool single = settings.singleSwf;
    const std::string barFile = ControlBarFile(settings, barFolder, single);
    std::unique_ptr<ControlBarMovie> bar;
    if (!barFile.empty())
        bar = std::make_unique<ControlBarMovie>(barFile);
    const SwfStage stage = PlanStage(settings, layout.picture.width, layout.picture.height,
        bar ? bar->Width() : 0, bar ? bar->Height() : 0);
    // With separate files the movie is the picture only; the toolbar
    // movie holds the bar and the room for it.
    const SwfStage movieStage
        = single ? stage : PlanStage(settings, layout.picture.width, layout.picture.height, 0, 0);

    FlashOutputs outputs;
    SwfMovieWriter writer(kSwfVersion, movieStage.width, movieStage.height, fps);
    writer.Timeline().SetBackgroundColor(0xffffff);
    std::uint16_t controlsId = 0;
    if (single && bar)
        controlsId = bar->CopyInto(writer);
    SwfPictureEncoder encoder(movie, settings, layout, control);
    encoder.Encode(writer, movieStage.pictureY, [&](SwfTimeline& timeline, std::int64_t index) {
        if (index == 0) {
            AddMovieFrameOne(writer, settings, movieStage, fps, layout.frames);
            if (controlsId != 0)
                PlaceControls(timeline, controlsId, movieStage);
        }
        if (index == layout.frames - 1)
            AddMovieLastFrame(timeline, settings);
    });
    control.CheckCancel();
    OutputFile file(outputs.Add(outputPath), outputPath);
    WriteMovieFile(file, movieStage, fps, writer.Timeline(), settings.mxCompression);

    std::string embedded = outputPath;
    const std::string previewPath = SiblingOutput(outputPath, "_preview.swf");
    if (!single) {
        embedded = SiblingOutput(outputPath, "_toolbar.swf");
        const std::vector<std::uint8_t> toolbar = BuildToolbarMovie(settings, barFile, stage, fps,
            FileName(outputPath), FileName(previewPath), encoder.FirstPicture());
        outputs.Write(embedded, toolbar.data(), toolbar.size());
    }
    if (settings.previewMode == 2) {
        const std::vector<std::uint8_t> preview = BuildPreviewMovie(
            settings, layout.picture.width, layout.picture.height, encoder.FirstPicture());
        outputs.Write(previewPath, preview.data(), preview.size());
    }
    const std::vector<std::string> files = outputs.FinalPaths();
    WritePage(outputs, settings, outputPath, embedded, { stage.width, stage.height }, files, movie.Path());
    control.CheckCancel();
    outputs.Commit();
    return outputs.FinalPaths();
}

FlvExportOptions FlvOptions(const FlashSettings& s, const std::string& barFile)
{
    FlvExportOptions o;
    o.codec = s.flvType == 1 ? FlvVideoCodec::ScreenVideo : FlvVideoCodec::SorensonH263;
    o.quality = s.flvQuality;
    o.keyFrameInterval = s.flvKeyframes;
    o.bitRateKbps = s.flvBitrate;
    o.frameRateMode = s.frameRateMode;
    o.frameRateCustom = s.frameRateCustom;
    o.scaleToPercents = s.scaleToPercents;
    o.outputSizeWidthPercent = s.outputSizeWidthPercent;
    o.outputSizeHeightPercent = s.outputSizeHeightPercent;
    o.outputSizeWidth = s.outputSizeWidth;
    o.outputSizeHeight = s.outputSizeHeight;
    o.outputSizeKeepAspectRatio = s.outputSizeKeepAspectRatio;
    o.autoscrollMode = s.autoscrollMode;
    o.autoscrollWidth = s.autoscrollWidth;
    o.autoscrollHeight = s.autoscrollHeight;
    o.showCursor = s.showCursor;
    o.exportSounds = s.exportSounds;
    o.useBestSoundFormat = s.useBestSoundFormat;
    o.soundFormat = s.soundFormat;
    o.soundCompressFormat = s.soundCompressFormat;
    o.soundMP3Profile = s.soundMP3Profile;
    o.addControlBar = !barFile.empty();
    o.controlBarFile = barFile;
    o.controlBarPositionMode = s.controlBarPositionMode;
    o.controlBarPositionOver = s.controlBarPositionOver;
    o.autoHide = s.autoHide;
    o.showAutoHide = s.showAutoHide;
    o.showVTLogo = s.showVTLogo;
    o.showSoundBar = s.showSoundBar;
    o.showFullScreen = s.showFullScreen;
    o.showTimer = s.showTimer;
    o.showNextPrev = s.showNextPrev;
    o.showTimeline = s.showTimeline;
    o.startingPlaybackMode = s.startingPlaybackMode;
    o.preloadPercent = s.preloadPercent;
    o.stopOnLastFrame = s.swfStopOnLastFrame;
    o.pauseByClickingOnMovie = s.pauseByClickingOnMovie;
    o.showPausedOverlay = s.showPausedOverlay;
    o.useSecureDomain = s.useSecureDomain;
    o.secureDomainName = s.secureDomainName;
    o.useSecureCode = s.useSecureCode;
    o.secureCode = s.secureCode;
    o.scaleMode = s.scaleMode;
    return o;
}

std::vector<std::uint8_t> ReadWhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

std::vector<std::string> ExportFlv(MovieSource& movie, const FlashSettings& settings,
    const std::string& outputPath, const std::string& barFolder, const TaskControl& control)
{
    // Flash video always has separate files: the player movie carries the bar.
    const std::string barFile = ControlBarFile(settings, barFolder, false);
    const FlvExportOptions options = FlvOptions(settings, barFile);
    FlashOutputs outputs;
    WriteFlv(movie, options, outputs.Add(outputPath), control);
    const std::string playerPath = SiblingOutput(outputPath, "_toolbar.swf");
    const std::string& playerTemporary = outputs.Add(playerPath);
    WriteFlvPlayer(movie, options, FileName(outputPath), playerTemporary, control);
    SwfMovieReader player;
    if (player.ReadBytes(PlainSwf(ReadWhole(playerTemporary))) != SwfReadResult::Ok)
        throw MovieError("the player movie \"" + playerPath + "\" cannot be read back");
    const std::vector<std::string> files = outputs.FinalPaths();
    WritePage(outputs, settings, outputPath, playerPath,
        { player.Header().widthPixels, player.Header().heightPixels }, files, movie.Path());
    control.CheckCancel();
    outputs.Commit();
    return outputs.FinalPaths();
}

} // namespace

std::vector<std::string> ExportFlashMovie(MovieSource& movie, const FlashSettings& settings,
    const std::string& outputPath, const std::string& barFolder, const TaskControl& control)
{
    movie.Rewind();
    if (settings.sfwType == 1)
        return ExportFlv(movie, settings, outputPath, barFolder, control);
    return ExportSwf(movie, settings, outputPath, barFolder, control);
}

std::vector<std::uint8_t> PlainSwf(const std::vector<std::uint8_t>& bytes)
{
    if (bytes.size() < 8 || bytes[1] != 'W' || bytes[2] != 'S' || (bytes[0] != 'F' && bytes[0] != 'C'))
        throw MovieError("not a SWF file");
    if (bytes[0] == 'F')
        return bytes;
    const std::uint32_t length
        = bytes[4] | bytes[5] << 8 | bytes[6] << 16 | static_cast<std::uint32_t>(bytes[7]) << 24;
    std::vector<std::uint8_t> plain(length);
    std::memcpy(plain.data(), bytes.data(), 8);
    plain[0] = 'F';
    uLongf size = length - 8;
    if (length < 8
        || uncompress(plain.data() + 8, &size, bytes.data() + 8, static_cast<uLong>(bytes.size() - 8)) != Z_OK
        || size != length - 8)
        throw MovieError("a damaged compressed SWF file");
    return plain;
}

} // namespace vtapi
