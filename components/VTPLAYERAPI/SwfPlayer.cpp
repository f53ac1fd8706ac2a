#include "SwfPlayer.h"

#include "FFmpeg.h"
#include "SwfBitmaps.h"
#include "flash/swf/SwfActions.h"
#include "flash/swf/SwfBitWriter.h"
#include "flash/swf/SwfControlBarVariables.h"
#include "flash/swf/SwfDefinitions.h"
#include "flash/swf/SwfShape.h"
#include "platform/ShellFolders.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

namespace vtapi {

namespace {

constexpr int kTwips = kTwipsPerPixel;

// A script written with dotted paths ("bar.playing") read from the scope
// the code runs in.
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
    void Set(std::string_view path, SwfActions::Value value)
    {
        Set(path, [value](Script& s) { s.Code().Push(value); });
    }
    // object.method(args...), leaving the result on the stack.
    void Call(std::string_view object, std::string_view method, const std::vector<Emit>& args)
    {
        for (auto arg = args.rbegin(); arg != args.rend(); ++arg)
            (*arg)(*this);
        m_code.Push(static_cast<int>(args.size()));
        Get(object);
        m_code.Push(method);
        m_code.CallMethod();
    }
    void If(const Emit& condition, const Emit& then, const Emit& otherwise = {})
    {
        const SwfActions::Label thenLabel = m_code.NewLabel();
        const SwfActions::Label end = m_code.NewLabel();
        condition(*this);
        m_code.If(thenLabel);
        if (otherwise)
            otherwise(*this);
        m_code.Jump(end);
        m_code.Bind(thenLabel);
        then(*this);
        m_code.Bind(end);
    }
    std::vector<std::uint8_t> Finish() { return m_code.Finish(); }

private:
    SwfActions m_code;
};

Script::Emit Path(std::string path)
{
    return [path](Script& s) { s.Get(path); };
}

Script::Emit Value(SwfActions::Value value)
{
    return [value](Script& s) { s.Code().Push(value); };
}

Script::Emit Not(Script::Emit inner)
{
    return [inner](Script& s) {
        inner(s);
        s.Code().Not();
    };
}

Script::Emit Same(Script::Emit a, Script::Emit b)
{
    return [a, b](Script& s) {
        a(s);
        b(s);
        s.Code().Equals();
    };
}

// The control bar of this movie: its own "Controls", or the toolbar's
// when the movie was loaded into the toolbar's holder.
void FindBar(Script& s, const std::string& movie)
{
    s.Set("bar", Path(movie + ".Controls"));
    s.If(Same(Path("bar"), Value(SwfActions::Value::Undefined())),
        [movie](Script& s) { s.Set("bar", Path(movie + "._parent.Controls")); });
}

std::uint16_t DefineShape(SwfMovieWriter& movie, SwfTimeline& timeline, const SwfShape& shape)
{
    const std::uint16_t id = movie.NewCharacterId();
    timeline.Tag(SwfTagCode::DefineShape3, shape.DefineShape3(id));
    return id;
}

void PlaceScaled(SwfTimeline& timeline, std::uint16_t depth, std::uint16_t id, double scale, std::int32_t x,
    std::int32_t y, std::string_view name)
{
    SwfBitWriter body;
    body.U8(static_cast<std::uint8_t>(0x02 | 0x04 | (name.empty() ? 0 : 0x20)));
    body.U16(depth);
    body.U16(id);
    body.Matrix(scale, scale, x, y);
    if (!name.empty())
        body.String(name);
    timeline.Tag(SwfTagCode::PlaceObject2, body.Data());
}

// Tags of a control-bar movie that are not copied: the frame and display
// list control of its own timeline, its scripts and header tags.
bool IsTimelineTag(std::uint16_t code)
{
    static const std::set<std::uint16_t> kCodes
        = { 0, 1, 4, 5, 9, 12, 15, 18, 19, 24, 26, 28, 43, 45, 58, 64, 65, 69, 70, 76, 77, 82, 86, 87 };
    return kCodes.contains(code);
}

// Definition tags the reader keeps opaque start with the character id too.
bool IsOpaqueDefinition(std::uint16_t code)
{
    static const std::set<std::uint16_t> kCodes = { 6, 10, 14, 21, 33, 35, 46, 48, 60, 75, 83, 84, 90 };
    return kCodes.contains(code);
}

std::string Trim(std::string text)
{
    const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    while (!text.empty() && blank(static_cast<unsigned char>(text.back())))
        text.pop_back();
    std::size_t start = 0;
    while (start < text.size() && blank(static_cast<unsigned char>(text[start])))
        ++start;
    return text.substr(start);
}

// The domains of SecureDomainName: comma-separated, lower case, without a
// scheme or path.
std::vector<std::string> Domains(const std::string& list)
{
    std::vector<std::string> domains;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t comma = list.find(',', start);
        if (comma == std::string::npos)
            comma = list.size();
        std::string domain = Trim(list.substr(start, comma - start));
        if (const std::size_t scheme = domain.find("://"); scheme != std::string::npos)
            domain = domain.substr(scheme + 3);
        domain = domain.substr(0, domain.find('/'));
        std::transform(domain.begin(), domain.end(), domain.begin(),
            [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (!domain.empty())
            domains.push_back(domain);
        start = comma + 1;
    }
    return domains;
}

// allowed = the movie may play here (secure domains and code).
void EmitSecurityCheck(Script& s, const FlashSettings& settings)
{
    s.Set("allowed", true);
    if (settings.useSecureDomain) {
        // The host of the movie's own address, lower case.
        s.Set("host", [](Script& s) {
            s.Call("_url", "split", { Value("/") });
            s.Code().Push(2);
            s.Code().GetMember();
        });
        s.Set("host", [](Script& s) {
            s.Call("host", "split", { Value(":") });
            s.Code().Push(0);
            s.Code().GetMember();
        });
        s.Set("host", [](Script& s) { s.Call("host", "toLowerCase", {}); });
        s.Set("hostOk", false);
        for (const std::string& domain : Domains(settings.secureDomainName)) {
            s.If(Same(Path("host"), Value(std::string_view(domain))),
                [](Script& s) { s.Set("hostOk", true); });
            const int tail = static_cast<int>(domain.size()) + 1;
            s.If(Same(
                     [tail](Script& s) {
                         s.Call("host", "substr", { [tail](Script& s) {
                             s.Get("host.length");
                             s.Code().Push(tail);
                             s.Code().Subtract();
                         } });
                     },
                     Value(std::string_view("." + domain))),
                [](Script& s) { s.Set("hostOk", true); });
        }
        s.If(Not(Path("hostOk")), [](Script& s) { s.Set("allowed", false); });
    }
    if (settings.useSecureCode) {
        s.If(Not(Same(
                 Path(std::string("_level0.") + "securecode"), Value(std::string_view(settings.secureCode)))),
            [](Script& s) { s.Set("allowed", false); });
    }
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

std::string EngineControlBarFolder()
{
    return platform::ModuleFolder(reinterpret_cast<const void*>(&EngineControlBarFolder)) + "/SWFControlBars";
}

std::string ControlBarFile(const FlashSettings& settings, const std::string& barFolder, bool single)
{
    if (!settings.addControlBar)
        return {};
    if (settings.controlBarType < 0) {
        if (settings.externalControlBarFileName.empty())
            throw MovieError("no customised control bar is chosen");
        return settings.externalControlBarFileName;
    }
    std::vector<std::string> files;
    std::ifstream list(barFolder + "/description.txt");
    std::string line;
    while (std::getline(list, line)) {
        std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] != '"')
            continue;
        const std::size_t end = line.find('"', start + 1);
        if (end == std::string::npos)
            continue;
        std::string name = line.substr(start + 1, end - start - 1);
        if (!name.empty() && name.find('/') == std::string::npos
            && std::filesystem::exists(barFolder + "/" + name))
            files.push_back(name);
    }
    if (files.empty())
        throw MovieError("no control bar is installed in \"" + barFolder + "\"");
    std::string name = files[static_cast<std::size_t>(settings.controlBarType) < files.size()
            ? static_cast<std::size_t>(settings.controlBarType)
            : 0];
    if (single) {
        const std::size_t dot = name.rfind('.');
        name = (dot == std::string::npos ? name : name.substr(0, dot)) + "Single.swf";
    }
    return barFolder + "/" + name;
}

ControlBarMovie::ControlBarMovie(const std::string& path)
{
    const SwfReadResult result = m_reader.ReadFile(path);
    if (result != SwfReadResult::Ok || !m_reader.HasInstance(kControlBarInstanceName))
        throw MovieError("the control bar \"" + path + "\" has no instance named \"Controls\"");
    m_size = m_reader.InstanceSize(kControlBarInstanceName);
}

std::uint16_t ControlBarMovie::CopyInto(SwfMovieWriter& movie)
{
    SwfTimeline& timeline = movie.Timeline();
    std::uint16_t controls = 0;
    for (const SwfTag& tag : m_reader.Tags()) {
        if (tag.code == SwfTagCode::PlaceObject2 && controls == 0
            && Lower(std::string(tag.name)) == Lower(std::string(kControlBarInstanceName)))
            controls = tag.characterId;
        if (IsTimelineTag(tag.code))
            continue;
        std::uint16_t id = tag.characterId;
        if (id == 0 && IsOpaqueDefinition(tag.code) && tag.body.size() >= 2)
            id = static_cast<std::uint16_t>(tag.body[0] | tag.body[1] << 8);
        if (tag.code == SwfTagCode::DefineSprite) {
            SwfBitWriter body;
            body.U16(tag.characterId);
            body.U16(static_cast<std::uint16_t>(tag.value));
            body.Bytes(tag.body);
            timeline.Tag(tag.code, body.Data());
        } else {
            timeline.Tag(tag.code, tag.body);
        }
        movie.ReserveCharacterIds(id);
    }
    if (controls == 0)
        throw MovieError("the control bar places \"Controls\" without a character");
    return controls;
}

SwfStage PlanStage(
    const FlashSettings& settings, int pictureWidth, int pictureHeight, int barWidth, int barHeight)
{
    SwfStage stage { pictureWidth, pictureHeight, 0, pictureWidth, pictureHeight, 0, 0, 1.0 };
    if (barWidth <= 0 || barHeight <= 0 || settings.controlBarPositionMode == 0)
        return stage;
    stage.barScale = std::min(1.0, static_cast<double>(pictureWidth) / barWidth);
    const int width = static_cast<int>(std::lround(barWidth * stage.barScale));
    const int height = static_cast<int>(std::lround(barHeight * stage.barScale));
    stage.barX = (pictureWidth - width) / 2;
    const bool over = settings.controlBarPositionOver;
    if (settings.controlBarPositionMode == 2) {
        stage.barY = over ? pictureHeight - height : pictureHeight;
    } else {
        stage.barY = 0;
        stage.pictureY = over ? 0 : height;
    }
    if (!over)
        stage.height += height;
    return stage;
}

void PlaceControls(SwfTimeline& timeline, std::uint16_t controlsId, const SwfStage& stage)
{
    PlaceScaled(timeline, kControlsDepth, controlsId, stage.barScale, stage.barX * kTwips,
        stage.barY * kTwips, kControlBarInstanceName);
}

void AddMovieFrameOne(SwfMovieWriter& movie, const FlashSettings& settings, const SwfStage& stage, double fps,
    std::int64_t frames)
{
    SwfTimeline& main = movie.Timeline();
    const int w = stage.pictureWidth;
    const int h = stage.pictureHeight;

    if (settings.pauseByClickingOnMovie) {
        // An invisible button over the picture toggles play and pause.
        SwfShape area;
        area.Rectangle(0, 0, w, h, area.SolidFill(0x000000ff));
        const std::uint16_t areaId = DefineShape(movie, main, area);
        Script toggle;
        FindBar(toggle, "this");
        toggle.If(
            Path("waitLoad"), [](Script&) {},
            [](Script& s) {
                s.If(
                    Path("paused"),
                    [](Script& s) {
                        s.Code().Play();
                        s.Set("paused", false);
                    },
                    [](Script& s) {
                        s.Code().Stop();
                        s.Set("paused", true);
                    });
                s.If(Not(Same(Path("bar"), Value(SwfActions::Value::Undefined()))),
                    [](Script& s) { s.Set("bar.playing", Not(Path("paused"))); });
            });
        const std::uint16_t buttonId = movie.NewCharacterId();
        main.Tag(SwfTagCode::DefineButton2,
            SwfDefineButton2(buttonId, { { areaId, 1, false, false, false, true, 0, 0 } },
                { { SwfButtonCondition::Release, toggle.Finish() } }));
        main.PlaceObject2(kClickDepth, buttonId, 0, stage.pictureY * kTwips, "clickArea");
    }

    // The director: a sprite that keeps the bar, the pause overlay and the
    // preload in step with the movie, every frame, also while it is stopped.
    SwfTimeline director;
    if (settings.showPausedOverlay) {
        SwfShape symbol;
        const double size = std::max(16.0, std::min(64.0, std::min(w, h) / 4.0));
        symbol.RoundedRectangle(-size / 2, -size / 2, size, size, size / 6, symbol.SolidFill(0x00000090));
        const int white = symbol.SolidFill(0xffffffe0);
        symbol.Rectangle(-size * 0.22, -size * 0.25, size * 0.14, size * 0.5, white);
        symbol.Rectangle(size * 0.08, -size * 0.25, size * 0.14, size * 0.5, white);
        const std::uint16_t symbolId = DefineShape(movie, main, symbol);
        SwfTimeline overlay;
        overlay.PlaceObject2(1, symbolId, 0, 0);
        overlay.ShowFrame();
        const std::uint16_t overlayId = movie.NewCharacterId();
        main.DefineSprite(overlayId, overlay);
        director.PlaceObject2(1, overlayId, w / 2 * kTwips, (stage.pictureY + h / 2) * kTwips, "overlay");
    }
    Script init;
    init.Set("m", Path("_parent"));
    init.Set("lastBar", true);
    init.Set("overlay._visible", false);
    director.DoAction(init.Finish());
    director.ShowFrame();
    Script update;
    FindBar(update, "m");
    update.If(Path("m.waitLoad"), [](Script& s) {
        s.If(Not([](Script& s) {
            s.Get("m._framesloaded");
            s.Get("m.needFrames");
            s.Code().Less();
        }),
            [](Script& s) {
                s.Set("m.waitLoad", false);
                s.If(Not(Path("m.paused")), [](Script& s) {
                    s.Call("m", "play", {});
                    s.Code().Pop();
                });
            });
    });
    update.If(Not(Same(Path("bar"), Value(SwfActions::Value::Undefined()))), [](Script& s) {
        // Whichever side changed last wins: the bar's buttons or the movie.
        s.If(
            Not(Same(Path("bar.playing"), Path("lastBar"))),
            [](Script& s) { s.Set("m.paused", Not(Path("bar.playing"))); },
            [](Script& s) {
                s.If(Same(Path("m.paused"), Path("bar.playing")),
                    [](Script& s) { s.Set("bar.playing", Not(Path("m.paused"))); });
            });
        s.Set("lastBar", Path("bar.playing"));
    });
    update.Set("overlay._visible", Same(Path("m.paused"), Value(true)));
    director.DoAction(update.Finish());
    director.ShowFrame();
    SwfActions loop;
    loop.GotoFrame(1);
    loop.Play();
    director.DoAction(loop.Finish());
    director.ShowFrame();
    const std::uint16_t directorId = movie.NewCharacterId();
    main.DefineSprite(directorId, director);
    main.PlaceObject2(kDirectorDepth, directorId, 0, 0, "director");

    const bool secure = settings.useSecureDomain || settings.useSecureCode;
    if (secure) {
        // Covers everything until the checks let the movie play.
        SwfShape cover;
        cover.Rectangle(0, 0, stage.width, stage.height, cover.SolidFill(0x404040ff));
        const std::uint16_t coverShape = DefineShape(movie, main, cover);
        SwfTimeline sprite;
        sprite.PlaceObject2(1, coverShape, 0, 0);
        sprite.ShowFrame();
        const std::uint16_t coverId = movie.NewCharacterId();
        main.DefineSprite(coverId, sprite);
        main.PlaceObject2(kCoverDepth, coverId, 0, 0, "cover");
    }

    Script s;
    const std::pair<std::string_view, bool> shown[] = {
        { kShowTimerVariable, settings.showTimer },
        { kShowTimelineVariable, settings.showTimeline },
        { kShowNextPrevVariable, settings.showNextPrev },
        { kShowSoundBarVariable, settings.showSoundBar },
        { kShowFullScreenVariable, settings.showFullScreen },
        { kShowVTLogoVariable, settings.showVTLogo },
        { kShowAutoHideVariable, settings.showAutoHide },
        { kAutoHideVariable, settings.autoHide },
    };
    for (const auto& [name, on] : shown)
        s.Set(name, on ? 1 : 0);
    s.Set(kFrameRateVariable, fps);
    s.Set("clickArea.useHandCursor", false);
    if (settings.scaleMode == 0)
        s.Set("Stage.scaleMode", "noScale");
    EmitSecurityCheck(s, settings);
    const bool startPaused = settings.startingPlaybackMode == 1;
    const int preload = std::clamp(settings.preloadPercent, 0, 100);
    s.If(
        Path("allowed"),
        [&](Script& s) {
            if (secure)
                s.Set("cover._visible", false);
            if (startPaused) {
                s.Code().Stop();
                s.Set("paused", true);
            }
            if (preload > 0) {
                const auto need = static_cast<int>((frames * preload + 99) / 100);
                s.Set("needFrames", need);
                s.If(
                    Not([](Script& s) {
                        s.Get("_framesloaded");
                        s.Get("needFrames");
                        s.Code().Less();
                    }),
                    [](Script&) {},
                    [](Script& s) {
                        s.Code().Stop();
                        s.Set("waitLoad", true);
                    });
            }
        },
        [](Script& s) {
            s.Code().Stop();
            s.Set("blocked", true);
            s.Set("Controls._visible", false);
            s.Set("_parent.Controls._visible", false);
        });
    main.DoAction(s.Finish());
}

void AddMovieLastFrame(SwfTimeline& timeline, const FlashSettings& settings)
{
    if (!settings.swfStopOnLastFrame)
        return;
    SwfActions stop;
    stop.Stop();
    timeline.DoAction(stop.Finish());
}

namespace {

// The first picture as a bitmap filling a sprite at 0, 0.
std::uint16_t PreviewSprite(SwfMovieWriter& movie, const FlashSettings& settings, int width, int height,
    const std::vector<std::uint8_t>& preview)
{
    SwfTimeline& main = movie.Timeline();
    SwfTimeline sprite;
    if (!preview.empty()) {
        const std::uint16_t bitmapId = movie.NewCharacterId();
        const BitmapCoding coding = settings.colorFormat == vantor::kColorFormatLossless
            ? BitmapCoding::Lossless32
            : BitmapCoding::Jpeg;
        const BitmapTag tag = EncodeBitmap(bitmapId, { preview.data(), width * 4 }, { 0, 0, width, height },
            coding, settings.jpegQuality, settings.zlibCompressLevel);
        main.Tag(tag.code, tag.body);
        SwfShape shape;
        shape.Rectangle(0, 0, width, height, shape.BitmapFill(bitmapId, 0, 0));
        sprite.PlaceObject2(1, DefineShape(movie, main, shape), 0, 0);
    }
    sprite.ShowFrame();
    const std::uint16_t id = movie.NewCharacterId();
    main.DefineSprite(id, sprite);
    return id;
}

} // namespace

std::vector<std::uint8_t> BuildToolbarMovie(const FlashSettings& settings, const std::string& barFile,
    const SwfStage& stage, double fps, const std::string& movieUrl, const std::string& previewUrl,
    const std::vector<std::uint8_t>& preview)
{
    SwfMovieWriter movie(kSwfVersion, stage.width, stage.height, fps);
    SwfTimeline& main = movie.Timeline();
    main.SetBackgroundColor(0xffffff);
    std::uint16_t controlsId = 0;
    if (!barFile.empty()) {
        ControlBarMovie bar(barFile);
        controlsId = bar.CopyInto(movie);
    }
    const int w = stage.pictureWidth;
    const int h = stage.pictureHeight;
    SwfTimeline empty;
    empty.ShowFrame();
    const std::uint16_t holderId = movie.NewCharacterId();
    main.DefineSprite(holderId, empty);
    main.PlaceObject2(10, holderId, 0, stage.pictureY * kTwips, "holder");

    const bool waitForClick = settings.startingPlaybackMode == 0;
    if (waitForClick) {
        if (settings.previewMode == 1) {
            main.PlaceObject2(
                20, PreviewSprite(movie, settings, w, h, preview), 0, stage.pictureY * kTwips, "preview");
        } else if (settings.previewMode == 2) {
            const std::uint16_t frameId = movie.NewCharacterId();
            main.DefineSprite(frameId, empty);
            main.PlaceObject2(20, frameId, 0, stage.pictureY * kTwips, "preview");
        }
        // The start button: the whole picture, with a play symbol.
        SwfShape area;
        area.Rectangle(0, 0, w, h, area.SolidFill(0xffffff01));
        const double size = std::max(16.0, std::min(80.0, std::min(w, h) / 3.0));
        const double cx = w / 2.0;
        const double cy = h / 2.0;
        area.Circle(cx, cy, size / 2, area.SolidFill(0x000000a0));
        area.Polygon(
            { cx - size * 0.15, cy - size * 0.22, cx + size * 0.25, cy, cx - size * 0.15, cy + size * 0.22 },
            area.SolidFill(0xffffffff));
        const std::uint16_t areaId = DefineShape(movie, main, area);
        Script start;
        start.Call("holder", "loadMovie", { Value(std::string_view(movieUrl)) });
        start.Code().Pop();
        start.Set("preview._visible", false);
        start.Set("start._visible", false);
        const std::uint16_t buttonId = movie.NewCharacterId();
        main.Tag(SwfTagCode::DefineButton2,
            SwfDefineButton2(buttonId, { { areaId, 1, true, true, true, true, 0, 0 } },
                { { SwfButtonCondition::Release, start.Finish() } }));
        main.PlaceObject2(30, buttonId, 0, stage.pictureY * kTwips, "start");
    }
    if (controlsId != 0)
        PlaceControls(main, controlsId, stage);

    Script s;
    if (settings.scaleMode == 0)
        s.Set("Stage.scaleMode", "noScale");
    if (!waitForClick) {
        s.Call("holder", "loadMovie", { Value(std::string_view(movieUrl)) });
        s.Code().Pop();
    } else if (settings.previewMode == 2) {
        s.Call("preview", "loadMovie", { Value(std::string_view(previewUrl)) });
        s.Code().Pop();
    }
    // The bar drives whatever the holder holds.
    s.Code().Push("onEnterFrame");
    s.Code().BeginFunction("", {});
    s.Set("Controls.t", Path("holder"));
    s.If(Same(Path("soundFor"), Value(SwfActions::Value::Undefined())), [](Script& s) {
        s.If(
            [](Script& s) {
                s.Get("holder._totalframes");
                s.Code().Push(1);
                s.Code().Greater();
            },
            [](Script& s) {
                s.Set("soundFor", true);
                s.Set("Controls.sound", [](Script& s) {
                    s.Get("holder");
                    s.Code().Push(1);
                    s.Code().Push("Sound");
                    s.Code().NewObject();
                });
            });
    });
    s.Code().EndFunction();
    s.Code().SetVariable();
    s.Code().Stop();
    main.DoAction(s.Finish());
    main.ShowFrame();
    return movie.Finish(settings.mxCompression, 9);
}

std::vector<std::uint8_t> BuildPreviewMovie(
    const FlashSettings& settings, int width, int height, const std::vector<std::uint8_t>& preview)
{
    SwfMovieWriter movie(kSwfVersion, width, height, 12);
    SwfTimeline& main = movie.Timeline();
    main.SetBackgroundColor(0xffffff);
    main.PlaceObject2(1, PreviewSprite(movie, settings, width, height, preview), 0, 0);
    SwfActions stop;
    stop.Stop();
    main.DoAction(stop.Finish());
    main.ShowFrame();
    return movie.Finish(settings.mxCompression, 9);
}

} // namespace vtapi
