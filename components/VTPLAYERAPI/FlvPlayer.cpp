// The player movie of a Flash video export.
//
// Its main timeline stands in for the video: one empty frame per frame of
// the FLV (at most 16000, at a lower rate for longer movies), so that a
// control bar drives it exactly as it drives an exported SWF movie (play,
// stop, previous/next frame, gotoAndPlay/gotoAndStop to seek, the time from
// _currentframe and FrameRate); the scripts (FlvPlayerScript.h) keep the
// stream in step with it.

#include "FlvExport.h"
#include "FlvPlayerScript.h"

#include "flash/swf/SwfActions.h"
#include "flash/swf/SwfControlBarVariables.h"
#include "flash/swf/SwfDefinitions.h"
#include "flash/swf/SwfMovieReader.h"
#include "flash/swf/SwfMovieWriter.h"
#include "flash/swf/SwfShape.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <memory>

namespace vtapi {

namespace {

constexpr std::uint16_t kDefineVideoStream = 60;
constexpr int kMaxFrames = 16000;
constexpr double kMaxRate = 255.0; // the 8.8 bits of the header's frame rate
// Our own characters come after the bar's, from here at least.
constexpr std::uint16_t kFirstOwnId = 0xF000;

enum Depth : std::uint16_t {
    VideoDepth = 1,
    ClickDepth = 2,
    PausedDepth = 3,
    StartDepth = 4,
    BarDepth = 100
};

// DefineVideoStream: a Video object that a NetStream is attached to.
std::vector<std::uint8_t> DefineVideoStream(std::uint16_t id, int width, int height, FlvVideoCodec codec)
{
    const auto u16 = [](std::vector<std::uint8_t>& out, int value) {
        out.push_back(static_cast<std::uint8_t>(value & 0xff));
        out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xff));
    };
    std::vector<std::uint8_t> body;
    u16(body, id);
    u16(body, 0); // frames come from the stream
    u16(body, width);
    u16(body, height);
    body.push_back(0x01); // smoothing on, deblocking as the stream says
    body.push_back(codec == FlvVideoCodec::ScreenVideo ? 3 : 2);
    return body;
}

// The bar's definitions and the character of its "Controls" instance.
struct BarDefinitions {
    std::vector<std::pair<std::uint16_t, std::vector<std::uint8_t>>> tags;
    std::uint16_t controlsId = 0;
    std::uint16_t lastId = 0;
    SwfPixelSize size;
};

BarDefinitions ReadBar(const std::string& file)
{
    SwfMovieReader reader;
    const SwfReadResult result = reader.ReadFile(file);
    if (result != SwfReadResult::Ok || !reader.HasInstance(kControlBarInstanceName))
        throw MovieError("the control bar \"" + file + "\" cannot be read or has no instance named '"
            + std::string(kControlBarInstanceName) + "'");
    BarDefinitions bar;
    bar.size = reader.InstanceSize(kControlBarInstanceName);
    for (const SwfTag& tag : reader.Tags()) {
        switch (tag.code) {
        case SwfTagCode::End:
        case SwfTagCode::ShowFrame:
        case SwfTagCode::FileAttributes:
        case SwfTagCode::SetBackgroundColor:
        case SwfTagCode::PlaceObject:
        case SwfTagCode::RemoveObject:
        case SwfTagCode::RemoveObject2:
        case SwfTagCode::DoAction:
        case SwfTagCode::FrameLabel:
            continue; // the bar's own timeline is not ours
        case SwfTagCode::PlaceObject2:
            if (bar.controlsId == 0 && tag.characterId != 0
                && std::equal(tag.name.begin(), tag.name.end(), kControlBarInstanceName.begin(),
                    kControlBarInstanceName.end(),
                    [](char a, char b) { return std::tolower(a) == std::tolower(b); }))
                bar.controlsId = tag.characterId;
            continue;
        default:
            bar.lastId = std::max(bar.lastId, tag.characterId);
            std::vector<std::uint8_t> body;
            if (tag.code == SwfTagCode::DefineSprite) {
                // The reader keeps a sprite's tag list; its id and frame count go first.
                for (const std::uint32_t value : { std::uint32_t { tag.characterId }, tag.value }) {
                    body.push_back(static_cast<std::uint8_t>(value & 0xff));
                    body.push_back(static_cast<std::uint8_t>((value >> 8) & 0xff));
                }
            }
            body.insert(body.end(), tag.body.begin(), tag.body.end());
            bar.tags.emplace_back(tag.code, std::move(body));
        }
    }
    return bar;
}

// A sprite holding one shape, so that scripts can show and hide it.
std::uint16_t SignSprite(SwfMovieWriter& movie, const SwfShape& shape)
{
    const std::uint16_t shapeId = movie.NewCharacterId();
    movie.Timeline().Tag(SwfTagCode::DefineShape3, shape.DefineShape3(shapeId));
    SwfTimeline sprite;
    sprite.PlaceObject2(1, shapeId, 0, 0);
    sprite.ShowFrame();
    const std::uint16_t id = movie.NewCharacterId();
    movie.Timeline().DefineSprite(id, sprite);
    return id;
}

struct PlayerLayout {
    int width = 0;
    int height = 0;
    int videoX = 0;
    int videoY = 0;
    bool bar = false;
    int barX = 0;
    int barY = 0;
};

PlayerLayout Arrange(const FlvExportOptions& o, const FlvLayout& video, SwfPixelSize bar, bool hasBar)
{
    PlayerLayout p;
    p.bar = hasBar;
    const bool beside = hasBar && o.controlBarPositionMode != 0 && !o.controlBarPositionOver;
    p.width = std::max(video.width, hasBar ? bar.width : 0);
    p.height = video.height + (beside ? bar.height : 0);
    p.videoX = (p.width - video.width) / 2;
    p.videoY = beside && o.controlBarPositionMode == 1 ? bar.height : 0;
    if (hasBar && o.controlBarPositionMode != 0) {
        p.barX = (p.width - bar.width) / 2;
        p.barY = o.controlBarPositionMode == 1 ? 0 : p.height - bar.height;
    }
    return p;
}

} // namespace

void WriteFlvPlayer(const MovieSource& movie, const FlvExportOptions& options, const std::string& flvUrl,
    const std::string& playerPath, const TaskControl& control)
{
    control.CheckCancel();
    const FlvLayout video = PlanFlv(movie, options);
    const bool hasBar = options.addControlBar && !options.controlBarFile.empty();
    BarDefinitions bar;
    if (hasBar)
        bar = ReadBar(options.controlBarFile);
    const PlayerLayout layout = Arrange(options, video, bar.size, hasBar);

    // The timeline's frames: one per FLV frame, fewer for long movies, at
    // most as many per second as a SWF frame rate holds.
    const double seconds
        = static_cast<double>(std::max<std::int64_t>(1, video.frameCount)) / av_q2d(video.frameRate);
    const int frames = static_cast<int>(std::clamp<std::int64_t>(
        std::min<std::int64_t>(video.frameCount, std::llround(seconds * kMaxRate)), 1, kMaxFrames));
    const double rate = frames / seconds;

    SwfMovieWriter writer(8, layout.width, layout.height, rate);
    SwfTimeline& main = writer.Timeline();
    main.SetBackgroundColor(options.paddingColour & 0xffffff);
    for (const auto& [code, body] : bar.tags)
        main.Tag(code, body);
    writer.ReserveCharacterIds(std::max(bar.lastId, kFirstOwnId));

    const std::uint16_t videoId = writer.NewCharacterId();
    main.Tag(kDefineVideoStream, DefineVideoStream(videoId, video.width, video.height, options.codec));

    // The click area over the video, and the signs for paused and for
    // "click to start".
    SwfShape area;
    area.Rectangle(0, 0, video.width, video.height, area.SolidFill(0x000000ff));
    const std::uint16_t areaId = writer.NewCharacterId();
    main.Tag(SwfTagCode::DefineShape3, area.DefineShape3(areaId));
    const std::uint16_t clickId = writer.NewCharacterId();
    main.Tag(SwfTagCode::DefineButton2,
        SwfDefineButton2(clickId, { { areaId, 1, false, false, false, true, 0, 0 } },
            { { SwfButtonCondition::Release, FlvPlayerClickScript() } }));

    const double side = std::max(16, std::min(video.width, video.height) / 4);
    const double cx = video.width / 2.0, cy = video.height / 2.0;
    SwfShape paused;
    const int shade = paused.SolidFill(0x00000080), white = paused.SolidFill(0xffffffe0);
    paused.RoundedRectangle(cx - side / 2, cy - side / 2, side, side, side / 8, shade);
    paused.Rectangle(cx - side * 0.25, cy - side * 0.3, side * 0.17, side * 0.6, white);
    paused.Rectangle(cx + side * 0.08, cy - side * 0.3, side * 0.17, side * 0.6, white);
    const std::uint16_t pausedId = SignSprite(writer, paused);
    SwfShape start;
    const int startShade = start.SolidFill(0x00000080), startWhite = start.SolidFill(0xffffffe0);
    start.RoundedRectangle(cx - side / 2, cy - side / 2, side, side, side / 8, startShade);
    start.Polygon(
        { cx - side * 0.2, cy - side * 0.28, cx + side * 0.28, cy, cx - side * 0.2, cy + side * 0.28 },
        startWhite);
    const std::uint16_t startId = SignSprite(writer, start);

    const int x = layout.videoX * kTwipsPerPixel, y = layout.videoY * kTwipsPerPixel;
    main.PlaceObject2(VideoDepth, videoId, x, y, "video");
    if (options.startingPlaybackMode == 0 || options.pauseByClickingOnMovie)
        main.PlaceObject2(ClickDepth, clickId, x, y, "clickArea");
    main.PlaceObject2(PausedDepth, pausedId, x, y, "pausedSign");
    main.PlaceObject2(StartDepth, startId, x, y, "startSign");
    if (hasBar)
        main.PlaceObject2(BarDepth, bar.controlsId, layout.barX * kTwipsPerPixel,
            layout.barY * kTwipsPerPixel, kControlBarInstanceName);
    main.DoAction(FlvPlayerFirstFrameScript(options, video, flvUrl, rate, frames, hasBar));
    for (int frame = 1; frame <= frames; ++frame) {
        if (frame == frames && options.stopOnLastFrame) {
            SwfActions stop;
            stop.Stop();
            main.DoAction(stop.Finish());
        }
        main.ShowFrame();
    }

    const std::vector<std::uint8_t> bytes = writer.Finish(false);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(playerPath.c_str(), "wb"), &std::fclose);
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()
        || std::fflush(file.get()) != 0)
        throw MovieError("cannot write \"" + playerPath + "\"");
}

} // namespace vtapi
