// "Export to WMV..." in the main window: with a scripted engine and the
// dialog over a fake export library, what the dialog shows for the stored
// "WMV.xml", what is saved back and what a Cancel leaves; with the real
// engine and export library, a movie made by vtr-make exported and read
// back with libavformat.

#include "FakeWMVExportLibrary.h"
#include "app/BatchOutputNames.h"
#include "app/MainFormFixture.h"
#include "app/WindowState.h"
#include "video/QtVideoCommands.h"
#include "video/WMVExportForm.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
}

namespace {

using namespace vantor;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

// What the user sees when the dialog comes up: scale, frame rate,
// autoscroll, video and sound.
std::string Shown(const TWMVExportForm& f)
{
    const auto on = [](const QAbstractButton* box) { return std::string(box->isChecked() ? "+" : "-"); };
    return std::to_string(f.OutWidth->value()) + "x" + std::to_string(f.OutHeight->value())
        + (f.rbScaleToPixels->isChecked() ? " px" : " %") + " keep" + on(f.KeepAspect)
        + (f.KeepAspect->isEnabled() ? "" : " (disabled)") + " | " + on(f.rbFullFrame)
        + f.rbFullFrame->text().toStdString() + " custom " + std::to_string(f.CustomRate->value()) + " | "
        + std::to_string(f.AutoScrollWidth->value()) + "x" + std::to_string(f.AutoScrollHeight->value())
        + " | " + f.cbVideoCodec->currentText().toStdString() + " vbr" + on(f.cbxVideoVBR) + " "
        + f.cbVideoNumPasses->currentText().toStdString() + " " + std::to_string(f.sbVideoBitrate->value())
        + " kbit/s quality " + std::to_string(f.sbVideoQuality->value()) + " | sound" + on(f.cbSound) + " "
        + f.cbAudioQualityBitrate->currentText().toStdString();
}

// Every key of the saved file in the file's order, as its text.
std::vector<std::string> Saved(const std::string& path)
{
    TXMLSettings file(false);
    std::vector<std::string> keys;
    if (file.ReadXMLSettingsFile(path))
        for (const char* key : { "VideoCodecId", "IsVideoVBR", "VideoNumPasses", "VideoBitrate",
                 "VideoQuality", "AudioCodecId", "AudioFormatId", "IsAudioVBR", "AudioNumPasses",
                 "FrameRateCustom", "FrameRateMode", "OutputSizeWidthPercent", "OutputSizeHeightPercent",
                 "OutputSizeWidth", "OutputSizeHeight", "OutputSizeKeepAspectRatio", "ScaleToPercents",
                 "AutoscrollMode", "AutoscrollWidth", "AutoscrollHeight", "ExportSounds" })
            keys.push_back(std::string(key) + "=" + file.GetString(key, "missing"));
    return keys;
}

// "container, then per stream: codec, size and packets or sample rate and
// channels" of a written file.
std::string Probe(const fs::path& path)
{
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return "unreadable";
    avformat_find_stream_info(format, nullptr);
    std::vector<int> packets(format->nb_streams);
    AVPacket* packet = av_packet_alloc();
    for (; av_read_frame(format, packet) >= 0; av_packet_unref(packet))
        ++packets[packet->stream_index];
    av_packet_free(&packet);
    std::string result = format->iformat->name;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVCodecParameters* p = format->streams[i]->codecpar;
        result += std::string(", ") + avcodec_get_name(p->codec_id) + " "
            + (p->codec_type == AVMEDIA_TYPE_VIDEO
                    ? std::to_string(p->width) + "x" + std::to_string(p->height) + " "
                        + std::to_string(packets[i])
                    : std::to_string(p->sample_rate) + " Hz " + std::to_string(p->ch_layout.nb_channels));
    }
    avformat_close_input(&format);
    return result;
}

using WMVExportCommandFormTest = test::MainFormFixture;

TEST_F(WMVExportCommandFormTest, DialogShowsTheStoredOptionsAndSavesEveryKey)
{
    struct Case {
        const char* name;
        std::function<void(TXMLSettings&)> stored; // null: no "WMV.xml" yet
        std::string shown;
        std::function<void(TWMVExportForm&)> edit;
        bool confirm;
        std::vector<std::string> saved; // empty: the file as it was stored
    };
    const Case cases[] = {
        { "no file: the defaults", nullptr,
            "100x100 % keep+ | +Full frame rate (25fps) custom 24 | 10x10 | Windows Media Video 8 vbr+ 1 - "
            "pass "
            "600 kbit/s quality 80 | sound+ 98",
            [](TWMVExportForm& f) {
                f.OutWidth->setValue(50);
                f.cbxAudioVBR->setChecked(false);
                f.cbAudioQualityBitrate->setCurrentIndex(1);
            },
            true,
            { "VideoCodecId=844516695", "IsVideoVBR=1", "VideoNumPasses=1", "VideoBitrate=600000",
                "VideoQuality=80", "AudioCodecId=353", "AudioFormatId=11", "IsAudioVBR=0", "AudioNumPasses=1",
                "FrameRateCustom=24", "FrameRateMode=0", "OutputSizeWidthPercent=50.",
                "OutputSizeHeightPercent=50.", "OutputSizeWidth=0", "OutputSizeHeight=0",
                "OutputSizeKeepAspectRatio=true", "ScaleToPercents=true", "AutoscrollMode=0",
                "AutoscrollWidth=10", "AutoscrollHeight=10", "ExportSounds=true" } },
        { "pixels 640 x 480 reopen in pixels",
            [](TXMLSettings& s) {
                for (const auto& [key, value] : std::initializer_list<std::pair<const char*, int>> {
                         { "OutputSizeWidth", 640 }, { "OutputSizeHeight", 480 },
                         { "VideoCodecId", test::kWmv7 }, { "IsVideoVBR", 0 }, { "VideoNumPasses", 2 },
                         { "VideoBitrate", 1200000 }, { "FrameRateMode", 3 }, { "FrameRateCustom", 10 },
                         { "AutoscrollMode", 4 }, { "AutoscrollWidth", 300 }, { "AutoscrollHeight", 5 },
                         { "AudioCodecId", test::kWma2 }, { "AudioFormatId", 10 }, { "IsAudioVBR", 0 } })
                    s.SetInteger(key, value);
                s.SetBool("ScaleToPercents", false);
                s.SetBool("ExportSounds", false);
            },
            "640x480 px keep- (disabled) | -Full frame rate (25fps) custom 10 | 300x10 | Windows Media Video "
            "7 "
            "vbr- 2 - pass 1200 kbit/s quality 80 | sound- 128 kbps",
            [](TWMVExportForm&) {}, true,
            { "VideoCodecId=827739479", "IsVideoVBR=0", "VideoNumPasses=2", "VideoBitrate=1200000",
                "VideoQuality=80", "AudioCodecId=353", "AudioFormatId=10", "IsAudioVBR=0", "AudioNumPasses=1",
                "FrameRateCustom=10", "FrameRateMode=3", "OutputSizeWidthPercent=100.",
                "OutputSizeHeightPercent=100.", "OutputSizeWidth=640", "OutputSizeHeight=480",
                "OutputSizeKeepAspectRatio=false", "ScaleToPercents=false", "AutoscrollMode=4",
                "AutoscrollWidth=300", "AutoscrollHeight=10", "ExportSounds=false" } },
        { "cancel saves nothing", [](TXMLSettings& s) { s.SetInteger("VideoQuality", 33); },
            "100x100 % keep+ | +Full frame rate (25fps) custom 24 | 10x10 | Windows Media Video 8 vbr+ 1 - "
            "pass "
            "600 kbit/s quality 33 | sound+ 98",
            [](TWMVExportForm& f) { f.sbVideoQuality->setValue(90); }, false, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        engine.calls.clear();
        wmvAvailable = true;
        auto form = MakeForm();
        TWMVExportForm* dialog = video::CreateWmvExportForm(*form, &test::FakeWMVExportLibrary());
        const fs::path destination = m_dir.Path() / "out";
        form->AddMovie(Movie("talk.vtr"));
        form->edtDir->setText(QString::fromStdString(destination.string()));
        test::WriteFile(destination / "talk.wmv", "an older export");
        dialogs.messageAnswers.push_back(platform::IDYES);
        const std::string settingsFile = SettingsFilePath(form->SettingsFilePrefix(), ExportFormat::WMV);
        fs::remove(settingsFile);
        if (c.stored) {
            TXMLSettings stored(false);
            c.stored(stored);
            fs::create_directories(fs::path(settingsFile).parent_path());
            ASSERT_TRUE(stored.SaveFile(settingsFile));
        }
        const std::string before = c.stored ? test::ReadFile(settingsFile) : "";

        std::string shown;
        QTimer script;
        QObject::connect(&script, &QTimer::timeout, [&] {
            if (QApplication::activeModalWidget() != dialog || !dialog->isVisible())
                return;
            shown = Shown(*dialog);
            c.edit(*dialog);
            (c.confirm ? dialog->OK : dialog->Cancel)->click();
        });
        script.start(10);
        ASSERT_TRUE(form->btnExportWMV->isEnabled());
        form->btnExportWMV->click();
        script.stop();

        EXPECT_EQ(shown, c.shown);
        // The old output went before the dialog, whatever its answer.
        EXPECT_FALSE(fs::exists(destination / "talk.wmv"));
        if (!c.confirm) {
            EXPECT_EQ(test::ReadFile(settingsFile), before);
            EXPECT_EQ(engine.calls, (std::vector<std::string> { "Initialize" }));
            continue;
        }
        EXPECT_EQ(Saved(settingsFile), c.saved);
        engine.DeliverAll(form->Batch());
        const std::string exported = "ExportWMV " + (destination / "talk.wmv").string() + " " + settingsFile;
        EXPECT_NE(std::find(engine.calls.begin(), engine.calls.end(), exported), engine.calls.end());
    }
}

// With the real engine and export library the file is the chosen format.
TEST(WMVExportEndToEnd, WindowWritesTheChosenWindowsMediaFormat)
{
    test::TestApplication();
    test::TempDir dir;
    for (const char* name : { "libVTPLAYERAPI.so", "libWMVExport.so", "regsvr32", "vtr-make" })
        ASSERT_TRUE(fs::exists(test::BinDir() / name)) << name << " is not built";
    setenv("VANTOR_COMPONENT_REGISTRY", (dir / "Components.xml").c_str(), 1);
    WMVExportLibrarySources sources = TWMVExportLibrary::DefaultSources();
    sources.exportLibrary = test::BinDir() / "libWMVExport.so";
    TWMVExportLibrary library(sources);
    ASSERT_TRUE(library.IsAvailable());
    fs::remove(SettingsFilePath(SettingsFilePrefix(), ExportFormat::WMV));
    const fs::path movie = dir.Path() / "talk.vtr";
    const std::string make = "'" + (test::BinDir() / "vtr-make").string() + "' synthetic '" + movie.string()
        + "' --size 64x48 --rate 10 --seconds 1 >/dev/null 2>&1";
    ASSERT_EQ(std::system(make.c_str()), 0) << make;

    TMainForm::Options options;
    options.programFolder = test::BinDir().string();
    options.wmvExportAvailable = [&library] { return library.IsAvailable(); };
    TMainForm form(options);
    TWMVExportForm* dialog = video::CreateWmvExportForm(form, &library.Functions());
    ASSERT_TRUE(test::RunEventsUntil([&] { return !form.Batch().WaitingForEngine(); }, 30s));
    form.AddMovie(movie.string());
    form.edtDir->setText(QString::fromStdString((dir.Path() / "out").string()));

    QTimer script;
    QObject::connect(&script, &QTimer::timeout, [&] {
        if (QApplication::activeModalWidget() != dialog || !dialog->isVisible())
            return;
        dialog->OutWidth->setValue(50);
        dialog->rb2Frame->setChecked(true);
        const int mono22 = dialog->cbAudioFormat->findText("22 kHz, mono");
        dialog->cbAudioFormat->setCurrentIndex(mono22);
        emit dialog->cbAudioFormat->activated(mono22);
        dialog->OK->click();
    });
    script.start(10);
    form.btnExportWMV->click();
    script.stop();
    ASSERT_TRUE(test::RunEventsUntil([&] { return form.Batch().IsIdle(); }, 120s));
    EXPECT_EQ(form.memStatus->toPlainText().toStdString(), "talk.vtr: exported successfully");
    EXPECT_EQ(Probe(dir.Path() / "out" / "talk.wmv"), "asf, wmv2 32x24 5, wmav2 22050 Hz 1");
    unsetenv("VANTOR_COMPONENT_REGISTRY");
}

} // namespace
