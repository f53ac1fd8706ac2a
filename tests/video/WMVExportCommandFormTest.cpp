// "Export to WMV..." in the main window with a scripted engine and the real
// WMV options dialog over a fake export library: what the dialog shows for
// the stored "WMV.xml", what is saved back, and what a Cancel leaves.

#include "FakeWMVExportLibrary.h"
#include "app/BatchOutputNames.h"
#include "app/MainFormFixture.h"
#include "video/QtVideoCommands.h"
#include "video/WMVExportForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace vantor;
namespace fs = std::filesystem;

constexpr int kWmv7 = 0x31564D57;
constexpr int kWmv8 = 0x32564D57;
constexpr int kWma2 = 0x161;

// What the user sees when the dialog comes up.
std::vector<std::string> Shown(const TWMVExportForm& f)
{
    const auto text = [](const char* name, auto value) { return std::string(name) + "=" + value; };
    return {
        text("OutWidth", std::to_string(f.OutWidth->value())),
        text("OutHeight", std::to_string(f.OutHeight->value())),
        text("Pixels", f.rbScaleToPixels->isChecked() ? "on" : "off"),
        text("KeepAspect", f.KeepAspect->isChecked() ? "on" : "off"),
        text("KeepAspectEnabled", f.KeepAspect->isEnabled() ? "on" : "off"),
        text("FullFrame",
            f.rbFullFrame->text().toStdString() + (f.rbFullFrame->isChecked() ? " (checked)" : "")),
        text("CustomRate", std::to_string(f.CustomRate->value())),
        text("Autoscroll",
            std::to_string(f.AutoScrollWidth->value()) + "x" + std::to_string(f.AutoScrollHeight->value())),
        text("VideoCodec", f.cbVideoCodec->currentText().toStdString()),
        text("VBR", f.cbxVideoVBR->isChecked() ? "on" : "off"),
        text("Passes", f.cbVideoNumPasses->currentText().toStdString()),
        text("Bitrate", std::to_string(f.sbVideoBitrate->value())),
        text("Quality", std::to_string(f.sbVideoQuality->value())),
        text("Sound", f.cbSound->isChecked() ? "on" : "off"),
        text("AudioRate", f.cbAudioQualityBitrate->currentText().toStdString()),
    };
}

// Every key of the saved file, in the file's order.
std::vector<std::string> Saved(const std::string& path)
{
    TXMLSettings file(false);
    if (!file.ReadXMLSettingsFile(path))
        return {};
    std::vector<std::string> keys;
    for (const char* key :
        { "VideoCodecId", "IsVideoVBR", "VideoNumPasses", "VideoBitrate", "VideoQuality", "AudioCodecId",
            "AudioFormatId", "IsAudioVBR", "AudioNumPasses", "FrameRateCustom", "FrameRateMode" })
        keys.push_back(std::string(key) + "=" + std::to_string(file.GetInteger(key, -1)));
    for (const char* key : { "OutputSizeWidthPercent", "OutputSizeHeightPercent" }) {
        char value[32];
        std::snprintf(value, sizeof value, "%g", file.GetFloat(key, -1));
        keys.push_back(std::string(key) + "=" + value);
    }
    for (const char* key : { "OutputSizeWidth", "OutputSizeHeight" })
        keys.push_back(std::string(key) + "=" + std::to_string(file.GetInteger(key, -1)));
    for (const char* key : { "OutputSizeKeepAspectRatio", "ScaleToPercents" })
        keys.push_back(std::string(key) + "=" + (file.GetBool(key, false) ? "true" : "false"));
    for (const char* key : { "AutoscrollMode", "AutoscrollWidth", "AutoscrollHeight" })
        keys.push_back(std::string(key) + "=" + std::to_string(file.GetInteger(key, -1)));
    keys.push_back(std::string("ExportSounds=") + (file.GetBool("ExportSounds", false) ? "true" : "false"));
    return keys;
}

class WMVExportCommandFormTest : public test::MainFormFixture {
protected:
    void SetUp() override
    {
        MainFormFixture::SetUp();
        test::FakeCatalogue() = {
            { { kWmv7, L"Windows Media Video 7", { { 1, 0, 1 }, { 2, 0, 2 } } },
                { kWmv8, L"Windows Media Video 8", { { 1, 0, 1 }, { 3, 1, 1 }, { 4, 1, 2 } } } },
            { { kWma2, L"Windows Media Audio V2",
                { { 10, 0, 1, 44100, 2, 128000 }, { 11, 0, 1, 44100, 2, 64000 },
                    { 13, 1, 1, 44100, 2, 0x3062 } } } },
            kWmv8,
            kWma2,
        };
        wmvAvailable = true;
    }
};

TEST_F(WMVExportCommandFormTest, DialogShowsTheStoredOptionsAndSavesEveryKey)
{
    struct Case {
        const char* name;
        std::function<void(TXMLSettings&)> stored; // null: no "WMV.xml" yet
        std::vector<std::string> shown;
        std::function<void(TWMVExportForm&)> edit;
        bool confirm;
        std::vector<std::string> saved; // empty: the file as it was stored
    };
    const Case cases[] = {
        { "no file: the defaults", nullptr,
            { "OutWidth=100", "OutHeight=100", "Pixels=off", "KeepAspect=on", "KeepAspectEnabled=on",
                "FullFrame=Full frame rate (25fps) (checked)", "CustomRate=24", "Autoscroll=10x10",
                "VideoCodec=Windows Media Video 8", "VBR=on", "Passes=1 - pass", "Bitrate=600", "Quality=80",
                "Sound=on", "AudioRate=98" },
            [](TWMVExportForm& f) {
                f.OutWidth->setValue(50);
                f.cbxAudioVBR->setChecked(false);
                f.cbAudioQualityBitrate->setCurrentIndex(1);
            },
            true,
            { "VideoCodecId=844516695", "IsVideoVBR=1", "VideoNumPasses=1", "VideoBitrate=600000",
                "VideoQuality=80", "AudioCodecId=353", "AudioFormatId=11", "IsAudioVBR=0", "AudioNumPasses=1",
                "FrameRateCustom=24", "FrameRateMode=0", "OutputSizeWidthPercent=50",
                "OutputSizeHeightPercent=50", "OutputSizeWidth=0", "OutputSizeHeight=0",
                "OutputSizeKeepAspectRatio=true", "ScaleToPercents=true", "AutoscrollMode=0",
                "AutoscrollWidth=10", "AutoscrollHeight=10", "ExportSounds=true" } },
        { "pixels 640 x 480 reopen in pixels",
            [](TXMLSettings& s) {
                s.SetInteger("OutputSizeWidth", 640);
                s.SetInteger("OutputSizeHeight", 480);
                s.SetBool("ScaleToPercents", false);
                s.SetInteger("VideoCodecId", kWmv7);
                s.SetInteger("IsVideoVBR", 0);
                s.SetInteger("VideoNumPasses", 2);
                s.SetInteger("VideoBitrate", 1200000);
                s.SetInteger("FrameRateMode", 3);
                s.SetInteger("FrameRateCustom", 10);
                s.SetInteger("AutoscrollMode", 4);
                s.SetInteger("AutoscrollWidth", 300);
                s.SetInteger("AutoscrollHeight", 5);
                s.SetInteger("AudioCodecId", kWma2);
                s.SetInteger("AudioFormatId", 10);
                s.SetInteger("IsAudioVBR", 0);
                s.SetBool("ExportSounds", false);
            },
            { "OutWidth=640", "OutHeight=480", "Pixels=on", "KeepAspect=off", "KeepAspectEnabled=off",
                "FullFrame=Full frame rate (25fps)", "CustomRate=10", "Autoscroll=300x10",
                "VideoCodec=Windows Media Video 7", "VBR=off", "Passes=2 - pass", "Bitrate=1200",
                "Quality=80", "Sound=off", "AudioRate=128 kbps" },
            [](TWMVExportForm&) {}, true,
            { "VideoCodecId=827739479", "IsVideoVBR=0", "VideoNumPasses=2", "VideoBitrate=1200000",
                "VideoQuality=80", "AudioCodecId=353", "AudioFormatId=10", "IsAudioVBR=0", "AudioNumPasses=1",
                "FrameRateCustom=10", "FrameRateMode=3", "OutputSizeWidthPercent=100",
                "OutputSizeHeightPercent=100", "OutputSizeWidth=640", "OutputSizeHeight=480",
                "OutputSizeKeepAspectRatio=false", "ScaleToPercents=false", "AutoscrollMode=4",
                "AutoscrollWidth=300", "AutoscrollHeight=10", "ExportSounds=false" } },
        { "cancel saves nothing", [](TXMLSettings& s) { s.SetInteger("VideoQuality", 33); },
            { "OutWidth=100", "OutHeight=100", "Pixels=off", "KeepAspect=on", "KeepAspectEnabled=on",
                "FullFrame=Full frame rate (25fps) (checked)", "CustomRate=24", "Autoscroll=10x10",
                "VideoCodec=Windows Media Video 8", "VBR=on", "Passes=1 - pass", "Bitrate=600", "Quality=33",
                "Sound=on", "AudioRate=98" },
            [](TWMVExportForm& f) { f.sbVideoQuality->setValue(90); }, false, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        engine.calls.clear();
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

        std::vector<std::string> shown;
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
            EXPECT_TRUE(form->Batch().IsIdle());
            EXPECT_EQ(engine.calls, (std::vector<std::string> { "Initialize" }));
            continue;
        }
        EXPECT_EQ(Saved(settingsFile), c.saved);
        engine.DeliverAll(form->Batch());
        const std::string exported = "ExportWMV " + (destination / "talk.wmv").string() + " " + settingsFile;
        EXPECT_NE(std::find(engine.calls.begin(), engine.calls.end(), exported), engine.calls.end());
    }
}

} // namespace
