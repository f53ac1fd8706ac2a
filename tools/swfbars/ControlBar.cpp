#include "ControlBar.h"

#include "ControlBarScripts.h"
#include "ShapeRaster.h"

#include "flash/swf/SwfDefinitions.h"
#include "flash/swf/SwfMovieWriter.h"
#include "flash/swf/SwfShape.h"

#include <functional>

const std::vector<ControlBarLook>& ControlBarLooks()
{
    static const std::vector<ControlBarLook> looks = {
        // Brushed metal: grey with a light band, dark icons, square corners.
        { "DefaultControlBar.swf", 480, 32, 0x8c9096ff, 0xc4c8ceff, 0xa9aeb5ff, 0xc8ccd2ff, 0x6e737aff,
            0x24272bff, 0x5a5e64ff, 0xe0e3e8ff, 0x101214ff, 2, false },
        // Cool white: white with a pale blue band, blue icons, rounded.
        { "DefaultControlBarCoolWhite.swf", 480, 30, 0xf7f9fcff, 0xdfe9f5ff, 0xe8eff8ff, 0xcfe0f4ff,
            0xaac6e8ff, 0x2f6db5ff, 0xc9d6e6ff, 0x4a90e2ff, 0x2f4a6bff, 8, false },
        // Media player: black, round buttons, green progress.
        { "DefaultControlBarMediaPlayer.swf", 480, 40, 0x15171aff, 0x2c3036ff, 0x2f343bff, 0x3f4650ff,
            0x1f2328ff, 0xf2f4f7ff, 0x3a4048ff, 0x3ccf6eff, 0xd8dde3ff, 4, true },
    };
    return looks;
}

namespace {

constexpr int kTwips = kTwipsPerPixel;

// Collects the movie's definitions and what the preview shows.
class BarBuilder {
public:
    BarBuilder(const ControlBarLook& look)
        : m_look(look)
        , m_movie(9, look.width, look.height, 25.0)
        , m_raster(look.width, look.height, look.background >> 8)
    {
    }

    std::uint16_t Shape(const SwfShape& shape)
    {
        std::uint16_t id = m_movie.NewCharacterId();
        m_movie.Timeline().Tag(SwfTagCode::DefineShape3, shape.DefineShape3(id));
        return id;
    }
    // A button of size x size pixels: a face in three states and an icon.
    std::uint16_t Button(int size, const std::function<void(SwfShape&, int fill)>& icon,
        const std::vector<SwfButtonAction>& actions, double previewX = -1, double previewY = -1)
    {
        auto face = [&](std::uint32_t rgba) {
            SwfShape shape;
            int fill = shape.SolidFill(rgba);
            if (m_look.roundButtons)
                shape.Circle(size / 2.0, size / 2.0, size / 2.0, fill);
            else
                shape.RoundedRectangle(0, 0, size, size, m_look.cornerRadius, fill);
            return shape;
        };
        SwfShape up = face(m_look.face), over = face(m_look.faceOver), down = face(m_look.faceDown);
        SwfShape iconShape;
        icon(iconShape, iconShape.SolidFill(m_look.icon));
        std::uint16_t upId = Shape(up), overId = Shape(over), downId = Shape(down), iconId = Shape(iconShape);
        std::vector<SwfButtonRecord> records = {
            { upId, 1, true, false, false, true, 0, 0 },
            { overId, 1, false, true, false, false, 0, 0 },
            { downId, 1, false, false, true, false, 0, 0 },
            { iconId, 2, true, true, true, false, 0, 0 },
        };
        std::uint16_t id = m_movie.NewCharacterId();
        m_movie.Timeline().Tag(SwfTagCode::DefineButton2, SwfDefineButton2(id, records, actions));
        if (previewX >= 0) {
            m_raster.Draw(up, previewX, previewY);
            m_raster.Draw(iconShape, previewX, previewY);
        }
        return id;
    }

    const ControlBarLook& m_look;
    SwfMovieWriter m_movie;
    ShapeRaster m_raster;
};

SwfButtonAction Actions(std::uint16_t conditions, const std::function<void(BarScript&)>& body)
{
    BarScript script;
    body(script);
    return { conditions, script.Finish() };
}

std::function<void(BarScript&)> Literal(SwfActions::Value value)
{
    return [value](BarScript& s) { s.Code().Push(value); };
}

// A sprite holding a draggable knob button centred on its origin. Pressing
// drags it along 0..range at height y; releasing calls `done`.
SwfTimeline Knob(BarBuilder& bar, int size, int range, int y, const std::function<void(BarScript&)>& done)
{
    auto press = Actions(SwfButtonCondition::Press, [range, y](BarScript& s) {
        s.Call("this", "startDrag", { Literal(false), Literal(0), Literal(y), Literal(range), Literal(y) });
        s.Set("dragging", Literal(true));
    });
    auto release
        = Actions(SwfButtonCondition::Release | SwfButtonCondition::ReleaseOutside, [done](BarScript& s) {
              s.Call("this", "stopDrag", {});
              s.Set("dragging", Literal(false));
              done(s);
          });
    SwfShape face;
    int fill = face.SolidFill(bar.m_look.progress);
    face.Circle(0, 0, size / 2.0, fill);
    std::uint16_t faceId = bar.Shape(face);
    std::uint16_t id = bar.m_movie.NewCharacterId();
    SwfButtonRecord record { faceId, 1, true, true, true, true, 0, 0 };
    bar.m_movie.Timeline().Tag(
        SwfTagCode::DefineButton2, SwfDefineButton2(id, { record }, { press, release }));
    SwfTimeline knob;
    knob.PlaceObject2(1, id, 0, 0);
    knob.ShowFrame();
    return knob;
}

void PlayIcon(SwfShape& s, int fill, int size)
{
    double m = size * 0.3;
    s.Polygon({ m, m * 0.85, size - m * 0.8, size / 2.0, m, size - m * 0.85 }, fill);
}

void PauseIcon(SwfShape& s, int fill, int size)
{
    double m = size * 0.3, w = size * 0.12;
    s.Rectangle(m, m, w, size - 2 * m, fill);
    s.Rectangle(size - m - w, m, w, size - 2 * m, fill);
}

void StepIcon(SwfShape& s, int fill, int size, bool forward)
{
    double m = size * 0.3, bar = size * 0.1, mid = size / 2.0;
    if (forward) {
        s.Polygon({ m, m, size - m - bar, mid, m, size - m }, fill);
        s.Rectangle(size - m - bar, m, bar, size - 2 * m, fill);
    } else {
        s.Rectangle(m, m, bar, size - 2 * m, fill);
        s.Polygon({ size - m, m, size - m, size - m, m + bar, mid }, fill);
    }
}

void FullScreenIcon(SwfShape& s, int fill, int size)
{
    double a = size * 0.25, b = size - a, c = size * 0.22;
    s.Polygon({ a, a, a + c, a, a, a + c }, fill);
    s.Polygon({ b, a, b, a + c, b - c, a }, fill);
    s.Polygon({ b, b, b - c, b, b, b - c }, fill);
    s.Polygon({ a, b, a, b - c, a + c, b }, fill);
}

void AutoHideIcon(SwfShape& s, int fill, int size)
{
    double m = size * 0.28;
    s.Polygon({ m, m, size - m, m, size / 2.0, size * 0.58 }, fill);
    s.Rectangle(m, size * 0.64, size - 2 * m, size * 0.1, fill);
}

void LogoIcon(SwfShape& s, int fill, int size)
{
    double mid = size / 2.0, r = size * 0.3;
    s.Polygon({ mid - r, mid - r * 0.7, mid - r * 0.35, mid - r * 0.7, mid, mid + r * 0.2, mid + r * 0.35,
                  mid - r * 0.7, mid + r, mid - r * 0.7, mid, mid + r },
        fill);
}

} // namespace

ControlBar BuildControlBar(const ControlBarLook& look, bool single)
{
    BarBuilder bar(look);
    SwfTimeline& main = bar.m_movie.Timeline();
    const int width = look.width, height = look.height;
    const int button = height - 10, top = 5, gap = 4;

    main.SetBackgroundColor(look.background >> 8);
    SwfShape background;
    int body = background.SolidFill(look.background), band = background.SolidFill(look.backgroundEdge);
    background.RoundedRectangle(0, 0, width, height, look.cornerRadius, body);
    background.Rectangle(look.cornerRadius, 1, width - 2 * look.cornerRadius, height * 0.3, band);
    bar.m_raster.Draw(background, 0, 0);
    std::uint16_t backgroundId = bar.Shape(background);

    auto tell = [](const char* method, bool playing) {
        return Actions(SwfButtonCondition::Release, [method, playing](BarScript& s) {
            s.Call("t", method, {});
            s.Set("playing", Literal(playing));
        });
    };
    int x = 6;
    auto icon = [button](void (*draw)(SwfShape&, int, int)) {
        return [draw, button](SwfShape& s, int fill) { draw(s, fill, button); };
    };
    std::uint16_t pauseId = bar.Button(button, icon(PauseIcon), { tell("stop", false) }, x, top);
    std::uint16_t playId = bar.Button(button, icon(PlayIcon), { tell("play", true) });
    int playX = x;
    x += button + gap;
    int prevX = x;
    std::uint16_t prevId = bar.Button(
        button, [button](SwfShape& s, int fill) { StepIcon(s, fill, button, false); },
        { tell("prevFrame", false) }, x, top);
    x += button + gap;
    int nextX = x;
    std::uint16_t nextId = bar.Button(
        button, [button](SwfShape& s, int fill) { StepIcon(s, fill, button, true); },
        { tell("nextFrame", false) }, x, top);
    x += button + gap + 6;

    // Right side, from the right edge: logo, auto-hide, full screen,
    // volume, time.
    int right = width - 6 - button;
    int logoX = right, autoHideX = right - (button + gap), fullScreenX = autoHideX - (button + gap);
    const int volumeWidth = 50, timerWidth = 84;
    int volumeX = fullScreenX - 8 - volumeWidth, timerX = volumeX - 8 - timerWidth;
    int timelineX = x, timelineWidth = timerX - 8 - timelineX;

    std::uint16_t logoId = bar.Button(button, icon(LogoIcon),
        { Actions(SwfButtonCondition::Release,
            [](BarScript& s) { s.Code().GetUrl("http://www.corvane.com/", "_blank"); }) },
        logoX, top);
    std::uint16_t autoHideId = bar.Button(button, icon(AutoHideIcon),
        { Actions(SwfButtonCondition::Release,
            [](BarScript& s) {
                s.Set("autoHide", [](BarScript& s) {
                    s.Get("autoHide");
                    s.Code().Not();
                });
            }) },
        autoHideX, top);
    std::uint16_t fullScreenId = bar.Button(button, icon(FullScreenIcon),
        { Actions(SwfButtonCondition::Release,
            [](BarScript& s) {
                s.IfElse(
                    [](BarScript& s) {
                        s.Get("Stage.displayState");
                        s.Code().Push("fullScreen");
                        s.Code().Equals();
                    },
                    [](BarScript& s) { s.Set("Stage.displayState", Literal("normal")); },
                    [](BarScript& s) { s.Set("Stage.displayState", Literal("fullScreen")); });
            }) },
        fullScreenX, top);

    // Timeline: track, played part (scaled by the script), knob.
    const int trackHeight = 6, trackY = (height - trackHeight) / 2;
    SwfShape track, played;
    track.RoundedRectangle(0, 0, timelineWidth, trackHeight, trackHeight / 2.0, track.SolidFill(look.track));
    played.Rectangle(0, 0, timelineWidth, trackHeight, played.SolidFill(look.progress));
    bar.m_raster.Draw(track, timelineX, trackY);
    std::uint16_t trackId = bar.Shape(track), playedId = bar.Shape(played);
    SwfTimeline knob = Knob(bar, 12, timelineWidth, trackHeight / 2, [timelineWidth](BarScript& s) {
        s.Code().Push(1.0 / timelineWidth);
        s.Get("this._x");
        s.Code().Multiply();
        s.Code().Push(1);
        s.Get("_parent._parent");
        s.Code().Push("SeekTo");
        s.Code().CallMethod();
        s.Code().Pop();
    });
    std::uint16_t knobId = bar.m_movie.NewCharacterId();
    main.DefineSprite(knobId, knob);
    SwfTimeline timeline;
    timeline.PlaceObject2(1, trackId, 0, 0);
    SwfTimeline playedSprite;
    playedSprite.PlaceObject2(1, playedId, 0, 0);
    playedSprite.ShowFrame();
    std::uint16_t playedSpriteId = bar.m_movie.NewCharacterId();
    main.DefineSprite(playedSpriteId, playedSprite);
    timeline.PlaceObject2(2, playedSpriteId, 0, 0, "played");
    timeline.PlaceObject2(3, knobId, 0, trackHeight / 2 * kTwips, "knob");
    timeline.ShowFrame();
    std::uint16_t timelineId = bar.m_movie.NewCharacterId();
    main.DefineSprite(timelineId, timeline);
    SwfShape knobPreview;
    knobPreview.Circle(0, 0, 6, knobPreview.SolidFill(look.progress));
    bar.m_raster.Draw(knobPreview, timelineX, trackY + trackHeight / 2.0);

    // Volume: a wedge growing to the right, with a knob starting at full.
    SwfShape wedge;
    wedge.Polygon({ 0, 14, volumeWidth, 2, volumeWidth, 14 }, wedge.SolidFill(look.track));
    std::uint16_t wedgeId = bar.Shape(wedge);
    SwfTimeline volumeKnob = Knob(bar, 10, volumeWidth, 8, [volumeWidth](BarScript& s) {
        s.Get("this._x");
        s.Code().Push(100.0 / volumeWidth);
        s.Code().Multiply();
        s.Code().Push(1);
        s.Get("_parent._parent.sound");
        s.Code().Push("setVolume");
        s.Code().CallMethod();
        s.Code().Pop();
    });
    std::uint16_t volumeKnobId = bar.m_movie.NewCharacterId();
    main.DefineSprite(volumeKnobId, volumeKnob);
    SwfTimeline volume;
    volume.PlaceObject2(1, wedgeId, 0, 0);
    volume.PlaceObject2(2, volumeKnobId, volumeWidth * kTwips, 8 * kTwips, "knob");
    volume.ShowFrame();
    std::uint16_t volumeId = bar.m_movie.NewCharacterId();
    main.DefineSprite(volumeId, volume);
    const int volumeY = (height - 16) / 2;
    bar.m_raster.Draw(wedge, volumeX, volumeY);
    SwfShape volumePreview;
    volumePreview.Circle(0, 0, 5, volumePreview.SolidFill(look.progress));
    bar.m_raster.Draw(volumePreview, volumeX + volumeWidth, volumeY + 8);

    // Time text in the player's own sans-serif font.
    std::uint16_t fontId = bar.m_movie.NewCharacterId();
    main.Tag(SwfTagCode::DefineFont2, SwfDefineDeviceFont(fontId, "_sans"));
    SwfEditText timer;
    timer.id = bar.m_movie.NewCharacterId();
    timer.width = timerWidth;
    timer.height = 16;
    timer.fontId = fontId;
    timer.fontHeight = 11;
    timer.rgba = look.text;
    timer.align = 2;
    timer.variable = "timeText";
    timer.text = "0:00 / 0:00";
    main.Tag(SwfTagCode::DefineEditText, SwfDefineEditText(timer));

    SwfTimeline controls;
    controls.PlaceObject2(1, backgroundId, 0, 0);
    controls.PlaceObject2(10, pauseId, playX * kTwips, top * kTwips, "btnPause");
    controls.PlaceObject2(11, playId, playX * kTwips, top * kTwips, "btnPlay");
    controls.PlaceObject2(12, prevId, prevX * kTwips, top * kTwips, "btnPrev");
    controls.PlaceObject2(13, nextId, nextX * kTwips, top * kTwips, "btnNext");
    controls.PlaceObject2(14, timelineId, timelineX * kTwips, trackY * kTwips, "timeline");
    controls.PlaceObject2(15, timer.id, timerX * kTwips, (height - 16) / 2 * kTwips, "timer");
    controls.PlaceObject2(16, volumeId, volumeX * kTwips, volumeY * kTwips, "volume");
    controls.PlaceObject2(17, fullScreenId, fullScreenX * kTwips, top * kTwips, "btnFullScreen");
    controls.PlaceObject2(18, autoHideId, autoHideX * kTwips, top * kTwips, "btnAutoHide");
    controls.PlaceObject2(19, logoId, logoX * kTwips, top * kTwips, "btnLogo");
    controls.DoAction(ControlsInitScript(single));
    controls.ShowFrame();
    controls.DoAction(ControlsUpdateScript(timelineWidth, height));
    controls.ShowFrame();
    SwfActions loop;
    loop.GotoFrame(1);
    loop.Play();
    controls.DoAction(loop.Finish());
    controls.ShowFrame();
    std::uint16_t controlsId = bar.m_movie.NewCharacterId();
    main.DefineSprite(controlsId, controls);

    main.PlaceObject2(1, controlsId, 0, 0, "Controls");
    main.ShowFrame();
    return { bar.m_movie.Finish(false), bar.m_raster.Picture() };
}
