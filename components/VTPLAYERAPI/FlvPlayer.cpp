// The player movie of a Flash video export.
//
// Its main timeline stands in for the video: one empty frame per frame of
// the FLV (at most 16000, at a lower rate for longer movies), so that a
// control bar drives it exactly as it drives an exported SWF movie (play,
// stop, previous/next frame, gotoAndPlay/gotoAndStop to seek, the time from
// _currentframe and FrameRate). Every frame, a script follows the timeline
// with the NetStream: the timeline standing still pauses the stream, moving
// on by one frame resumes it, and any other jump seeks it. When the stream
// drifts more than a second from the timeline (slow loading), the timeline
// moves back to the stream instead.

#include "FlvExport.h"

#include "flash/swf/SwfActions.h"
#include "flash/swf/SwfControlBarVariables.h"
#include "flash/swf/SwfDefinitions.h"
#include "flash/swf/SwfMovieReader.h"
#include "flash/swf/SwfMovieWriter.h"
#include "flash/swf/SwfShape.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>
#include <memory>

namespace vtapi {

namespace {

constexpr std::uint16_t kDefineVideoStream = 60;
constexpr int kMaxFrames = 16000;
// Our own characters come after the bar's, from here at least.
constexpr std::uint16_t kFirstOwnId = 0xF000;

enum Depth : std::uint16_t {
    VideoDepth = 1,
    ClickDepth = 2,
    PausedDepth = 3,
    StartDepth = 4,
    BarDepth = 100
};

// A little more than the assembler: dotted paths and calls.
class Script final {
public:
    using Emit = std::function<void(Script&)>;

    SwfActions& Code() { return m_code; }
    void Get(std::string_view path)
    {
        std::size_t dot = path.find('.');
        m_code.Push(path.substr(0, dot));
        m_code.GetVariable();
        while (dot != std::string_view::npos) {
            const std::size_t next = path.find('.', dot + 1);
            m_code.Push(path.substr(dot + 1, next == std::string_view::npos ? next : next - dot - 1));
            m_code.GetMember();
            dot = next;
        }
    }
    void Set(std::string_view path, const Emit& value)
    {
        const std::size_t dot = path.rfind('.');
        if (dot == std::string_view::npos) {
            m_code.Push(path);
            value(*this);
            m_code.SetVariable();
            return;
        }
        Get(path.substr(0, dot));
        m_code.Push(path.substr(dot + 1));
        value(*this);
        m_code.SetMember();
    }
    void Set(std::string_view path, const SwfActions::Value& value)
    {
        Set(path, [value](Script& s) { s.Code().Push(value); });
    }
    // object.method(args...), the result left on the stack when `keep`.
    void Call(
        std::string_view object, std::string_view method, const std::vector<Emit>& args, bool keep = false)
    {
        for (auto arg = args.rbegin(); arg != args.rend(); ++arg)
            (*arg)(*this);
        m_code.Push(static_cast<int>(args.size()));
        Get(object);
        m_code.Push(method);
        m_code.CallMethod();
        if (!keep)
            m_code.Pop();
    }
    // if (condition) body
    void If(const Emit& condition, const Emit& body)
    {
        const SwfActions::Label skip = m_code.NewLabel();
        condition(*this);
        m_code.Not();
        m_code.If(skip);
        body(*this);
        m_code.Bind(skip);
    }
    std::vector<std::uint8_t> Finish() { return m_code.Finish(); }

private:
    SwfActions m_code;
};

Script::Emit Value(SwfActions::Value value)
{
    return [value](Script& s) { s.Code().Push(value); };
}

Script::Emit Path(std::string path)
{
    return [path](Script& s) { s.Get(path); };
}

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
            bar.tags.emplace_back(tag.code, std::vector<std::uint8_t>(tag.body.begin(), tag.body.end()));
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

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::vector<std::string> Domains(const std::string& list)
{
    std::vector<std::string> domains;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        std::string domain = list.substr(start, comma - start);
        domain.erase(0, domain.find_first_not_of(" \t"));
        domain.erase(domain.find_last_not_of(" \t") + 1);
        if (!domain.empty())
            domains.push_back(Lower(domain));
        start = comma + 1;
    }
    return domains;
}

// allowed = the page's host is one of the domains or below one of them.
void EmitDomainCheck(Script& s, const std::vector<std::string>& domains)
{
    // host = _url.split("/")[2].split(":")[0].toLowerCase()
    const auto part = [](const char* separator, const char* index) {
        return [separator, index](Script& s) {
            s.Call("host", "split", { Value(separator) }, true);
            s.Code().Push(index);
            s.Code().GetMember();
        };
    };
    s.Set("host", Path("_url"));
    s.Set("host", part("/", "2"));
    s.Set("host", part(":", "0"));
    s.Set("host", [](Script& s) { s.Call("host", "toLowerCase", {}, true); });
    s.Set("domainOk", false);
    for (const std::string& domain : domains) {
        s.If(
            [&domain](Script& s) {
                s.Get("host");
                s.Code().Push(std::string_view(domain));
                s.Code().Equals();
                // host.substr(-1 - domain.length) == "." + domain
                s.Call("host", "substr", { Value(-1 - static_cast<int>(domain.size())) }, true);
                s.Code().Push(std::string_view("." + domain));
                s.Code().Equals();
                s.Code().Or();
            },
            [](Script& s) { s.Set("domainOk", true); });
    }
    s.Set("allowed", [](Script& s) {
        s.Get("allowed");
        s.Get("domainOk");
        s.Code().And();
    });
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

// Frame 1: the variables the bar reads, the stream, the start, and the
// function that follows the timeline every frame.
std::vector<std::uint8_t> FirstFrameScript(const FlvExportOptions& o, const FlvLayout& video,
    const std::string& url, double rate, int frames, bool bar)
{
    Script s;
    SwfActions& a = s.Code();
    const std::pair<std::string_view, bool> shown[] = {
        { kShowTimerVariable, o.showTimer },
        { kShowTimelineVariable, o.showTimeline },
        { kShowNextPrevVariable, o.showNextPrev },
        { kShowSoundBarVariable, o.showSoundBar },
        { kShowFullScreenVariable, o.showFullScreen },
        { kShowVTLogoVariable, o.showVTLogo },
        { kShowAutoHideVariable, o.showAutoHide },
        { kAutoHideVariable, o.autoHide },
    };
    for (const auto& [name, on] : shown)
        s.Set(name, on ? 1 : 0);
    s.Set("player", Path("this"));
    s.Set(kFrameRateVariable, rate);
    s.Set("fps", rate);
    s.Set("total", frames);
    s.Set("started", false);
    s.Set("paused", o.startingPlaybackMode != 2);
    s.Set("last", 1);
    s.Set("settle", SwfActions::Value(0));
    if (o.scaleMode == 0)
        s.Set("Stage.scaleMode", "noScale");

    s.Set("allowed", true);
    if (o.useSecureCode)
        s.Set("allowed", [&o](Script& s) {
            s.Get("code");
            s.Code().Push(std::string_view(o.secureCode));
            s.Code().Equals();
        });
    if (o.useSecureDomain)
        EmitDomainCheck(s, Domains(o.secureDomainName));

    s.Set("nc", [](Script& s) {
        s.Code().Push({ 0, "NetConnection" });
        s.Code().NewObject();
    });
    s.Call("nc", "connect", { Value(SwfActions::Value::Null()) });
    s.Set("ns", [](Script& s) {
        s.Get("nc");
        s.Code().Push({ 1, "NetStream" });
        s.Code().NewObject();
    });
    if (o.preloadPercent > 0) {
        const double seconds
            = static_cast<double>(video.frameCount) * video.frameRate.den / video.frameRate.num;
        s.Call("ns", "setBufferTime", { Value(seconds * std::min(o.preloadPercent, 100) / 100.0) });
    }
    s.Call("video", "attachVideo", { Path("ns") });
    s.Call("player", "attachAudio", { Path("ns") });

    // Start(): loads and plays the stream, when the movie may play here.
    a.BeginFunction("Start", {});
    s.If(Path("allowed"), [&url](Script& s) {
        s.Set("started", true);
        s.Call("ns", "play", { Value(std::string_view(url)) });
    });
    a.EndFunction();
    // Clicked(): the click on the movie starts it (see onEnterFrame), or
    // pauses and restarts it.
    a.BeginFunction("Clicked", {});
    {
        const SwfActions::Label running = a.NewLabel(), done = a.NewLabel();
        s.Get("started");
        a.If(running);
        s.Call("player", "play", {});
        a.Jump(done);
        a.Bind(running);
        if (o.pauseByClickingOnMovie) {
            const SwfActions::Label resume = a.NewLabel();
            s.Get("paused");
            a.If(resume);
            s.Call("player", "stop", {});
            a.Jump(done);
            a.Bind(resume);
            s.Call("player", "play", {});
        }
        a.Bind(done);
    }
    a.EndFunction();

    s.Set("onEnterFrame", [bar, &o](Script& s) {
        SwfActions& a = s.Code();
        a.BeginFunction("", {});
        s.Set("cur", Path("player._currentframe"));
        // Waiting for the first click (or the bar's play): start on the
        // timeline's first move.
        s.If(
            [](Script& s) {
                s.Get("started");
                s.Code().Not();
                s.Get("cur");
                s.Get("last");
                s.Code().Equals();
                s.Code().Not();
                s.Code().And();
            },
            [](Script& s) { s.Call("player", "Start", {}); });
        s.Set("player.startSign._visible", [](Script& s) {
            s.Get("started");
            s.Code().Not();
        });
        const SwfActions::Label end = a.NewLabel();
        s.Get("started");
        a.Not();
        a.If(end);
        const SwfActions::Label still = a.NewLabel(), jumped = a.NewLabel(), synced = a.NewLabel();
        s.Get("cur");
        s.Get("last");
        a.Push(1);
        a.Add();
        a.Equals();
        a.Not();
        a.If(still);
        // Moved on by one frame: playing.
        s.If(Path("paused"), [](Script& s) {
            s.Call("ns", "pause", { Value(false) });
            s.Set("paused", false);
        });
        a.Jump(synced);
        a.Bind(still);
        s.Get("cur");
        s.Get("last");
        a.Equals();
        a.Not();
        a.If(jumped);
        // Standing still: paused.
        s.If(
            [](Script& s) {
                s.Get("paused");
                s.Code().Not();
            },
            [](Script& s) {
                s.Call("ns", "pause", { Value(true) });
                s.Set("paused", true);
            });
        a.Jump(synced);
        a.Bind(jumped);
        // Any other move: seek.
        s.Call("ns", "seek", { [](Script& s) {
            s.Get("cur");
            s.Code().Push(1);
            s.Code().Subtract();
            s.Get("fps");
            s.Code().Divide();
        } });
        s.Set("settle", Path("fps"));
        a.Bind(synced);
        s.Set("last", Path("cur"));

        // Follow the stream when it is more than a second away.
        const SwfActions::Label noDrift = a.NewLabel(), settled = a.NewLabel();
        s.Get("settle");
        a.Push(0);
        a.Greater();
        a.Not();
        a.If(settled);
        s.Set("settle", [](Script& s) {
            s.Get("settle");
            s.Code().Push(1);
            s.Code().Subtract();
        });
        a.Jump(noDrift);
        a.Bind(settled);
        s.If(
            [](Script& s) {
                SwfActions& a = s.Code();
                s.Get("paused");
                a.Not();
                s.Get("ns.time");
                a.Push(0);
                a.Greater();
                a.And();
            },
            [](Script& s) {
                s.Set("f", [](Script& s) {
                    s.Get("ns.time");
                    s.Get("fps");
                    s.Code().Multiply();
                    s.Code().ToInteger();
                    s.Code().Push(1);
                    s.Code().Add();
                });
                s.If(
                    [](Script& s) {
                        s.Get("f");
                        s.Get("total");
                        s.Code().Greater();
                    },
                    [](Script& s) { s.Set("f", Path("total")); });
                s.Set("d", [](Script& s) {
                    s.Get("f");
                    s.Get("cur");
                    s.Code().Subtract();
                });
                s.If(
                    [](Script& s) {
                        SwfActions& a = s.Code();
                        s.Get("d");
                        s.Get("fps");
                        a.Greater();
                        a.Push(0);
                        s.Get("d");
                        a.Subtract();
                        s.Get("fps");
                        a.Greater();
                        a.Or();
                    },
                    [](Script& s) {
                        s.Call("player", "gotoAndPlay", { Path("f") });
                        s.Set("last", Path("f"));
                    });
            });
        a.Bind(noDrift);
        a.Bind(end);
        if (bar)
            s.Set("player.Controls.playing", [](Script& s) {
                s.Get("paused");
                s.Code().Not();
            });
        s.Set("player.pausedSign._visible", [&o](Script& s) {
            s.Get("started");
            s.Get("paused");
            s.Code().And();
            s.Code().Push(o.showPausedOverlay);
            s.Code().And();
        });
        a.EndFunction();
    });

    if (o.startingPlaybackMode != 0)
        s.Call("player", "Start", {});
    if (o.startingPlaybackMode != 2) {
        s.Call("player", "stop", {});
        if (o.startingPlaybackMode == 1)
            s.Call("ns", "pause", { Value(true) });
    }
    s.If(
        [](Script& s) {
            s.Get("allowed");
            s.Code().Not();
        },
        [](Script& s) { s.Call("player", "stop", {}); });
    return s.Finish();
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

    // The timeline's frames: one per FLV frame, fewer for long movies.
    const double fps = av_q2d(video.frameRate);
    const int frames = static_cast<int>(std::clamp<std::int64_t>(video.frameCount, 1, kMaxFrames));
    const double rate = fps * frames / static_cast<double>(std::max<std::int64_t>(1, video.frameCount));

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
    Script click;
    click.Code().Push({ 0, "Clicked" });
    click.Code().CallFunction();
    click.Code().Pop();
    const std::uint16_t clickId = writer.NewCharacterId();
    main.Tag(SwfTagCode::DefineButton2,
        SwfDefineButton2(clickId, { { areaId, 1, false, false, false, true, 0, 0 } },
            { { SwfButtonCondition::Release, click.Finish() } }));

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
    main.DoAction(FirstFrameScript(options, video, flvUrl, rate, frames, hasBar));
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
