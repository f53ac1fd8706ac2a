// btnExportQTClick with the real options dialog on the offscreen platform:
// what the dialog shows for a given "QT.xml", what is saved back after the
// user typed into it, and that a run starts only on "Export".

#include "ScriptedDialogs.h"
#include "TestEnvironment.h"
#include "app/BatchOutputNames.h"
#include "app/QtTestApplication.h"
#include "app/ScriptedEngine.h"
#include "video/OutputSizeForm.h"
#include "video/QtQuickTimeExportDialogs.h"
#include "xml/XMLSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace vantor;
namespace fs = std::filesystem;
using Keys = std::vector<std::pair<const char*, int>>;

// Which choices and texts the dialog shows, one letter or text each.
std::string Shown(const TOutputSizeForm& f)
{
    auto on = [](const QAbstractButton* b) { return b->isChecked() ? "1" : "0"; };
    return f.windowTitle().toStdString() + " rate " + on(f.rbFullFrame) + " key "
        + f.edtKeyFrame->text().toStdString() + " auto " + on(f.rbRateAuto) + " "
        + f.edtDateRate->text().toStdString() + "/" + f.edtDateRateMax->text().toStdString() + "/"
        + f.edtDateRateMin->text().toStdString() + " quality " + std::to_string(f.tbQuality->value())
        + " multi " + on(f.rbMultiPass) + " stream " + on(f.cbFlattenMovie) + " sound " + on(f.cbSound)
        + " mp3 " + on(f.UseMP3Check) + " " + f.cbMP3Profile->currentText().toStdString() + " worst "
        + on(f.rdUseWorstFormat) + " controls " + on(f.cbCreateControlBar) + " top " + on(f.rbAlignTop)
        + " bottom " + on(f.rbAlignBottom) + " left " + on(f.rbAlignLeft) + " prebuffer "
        + f.edtPrebuffer->text().toStdString();
}

TEST(QuickTimeExportCommandTest, DialogShowsTheFileAndSavesWhatWasTyped)
{
    test::TestApplication();
    const char* defaults
        = "QuickTime Export Options rate 1 key 25 auto 1 600/800/400 quality 870 multi 0 stream 1 "
          "sound 1 mp3 1 Normal quality worst 1 controls 1 top 1 bottom 0 left 1 prebuffer 30";
    const struct {
        Keys stored; // integers in "QT.xml" before the command; none: no file
        const char* shown; // what the dialog showed
        const char *prebuffer, *keyFrame, *dataRate; // typed; null: left as shown
        bool ok;
        Keys saved; // in "QT.xml" afterwards
    } cases[] = {
        { {}, defaults, nullptr, nullptr, nullptr, true,
            { { "FrameRateCustom", 24 }, { "FrameRateMode", 0 }, { "KeyFrame", 25 }, { "DateRateType", 0 },
                { "DateRate", 600 }, { "DateRateMax", 800 }, { "DateRateMin", 400 }, { "Quality", 870 },
                { "FrameRate", 25 }, { "Multipass", 0 }, { "FlattenMovie", 1 }, { "ExportSounds", 1 },
                { "SoundCompressFormat", 85 }, { "SoundMP3Profile", 0 }, { "UseBestSoundFormat", 0 },
                { "SoundFormat", 0 }, { "PlaybackControls", 1 }, { "VAlign", 0 }, { "HAlign", 0 },
                { "Prebuffer", 30 }, { "AutoHide", 0 }, { "AutoscrollWidth", 10 },
                { "OutputSizeWidthPercent", 100 }, { "ScaleToPercents", 1 },
                { "OutputSizeKeepAspectRatio", 1 } } },
        { { { "FrameRateMode", 2 }, { "KeyFrame", 0 }, { "VAlign", 7 }, { "SoundFormat", 3 } },
            "QuickTime Export Options rate 0 key 6 auto 1 600/800/400 quality 870 multi 0 stream 1 sound 1 "
            "mp3 1 "
            "Normal quality worst 1 controls 1 top 0 bottom 1 left 1 prebuffer 30",
            "250", nullptr, nullptr, true,
            { { "FrameRateMode", 2 }, { "KeyFrame", 6 }, { "VAlign", 2 }, { "SoundFormat", 0 },
                { "Prebuffer", 100 } } },
        { {}, defaults, "-5", "x", "abc", true,
            { { "Prebuffer", 0 }, { "KeyFrame", 30 }, { "DateRate", 90 } } },
        { { { "Prebuffer", 45 } }, nullptr, "abc", nullptr, nullptr, true, { { "Prebuffer", 45 } } },
        { { { "Prebuffer", 45 } }, nullptr, "60", nullptr, nullptr, false,
            { { "Prebuffer", 45 }, { "FrameRate", -1 } } },
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        test::RecordingBatchView view;
        view.movieList = { dir / "first.vtr" };
        view.destination = dir / "out";
        test::WriteFile(dir.Path() / "out" / "first.mov", "an older export");
        BatchRun run(view);
        run.SetSettingsFilePrefix(dir / "settings/Vantor Batch Export");
        const std::string file = SettingsFilePath(run.SettingsFilePrefix(), ExportFormat::QuickTime);
        if (!c.stored.empty()) {
            TXMLSettings store(false);
            for (const auto& [key, value] : c.stored)
                store.SetInteger(key, value);
            fs::create_directories(dir.Path() / "settings");
            ASSERT_TRUE(store.SaveFile(file));
        }
        test::ScriptedDialogs dialogs;
        dialogs.messageAnswers.push_back(platform::IDYES);

        TOutputSizeForm form;
        video::QtQuickTimeExportDialogs edit(form);
        std::string shown;
        bool oldOutputGone = false;
        QTimer::singleShot(0, [&] {
            shown = Shown(form);
            oldOutputGone = !fs::exists(dir.Path() / "out" / "first.mov");
            for (auto [field, text] :
                { std::pair { form.edtPrebuffer, c.prebuffer }, std::pair { form.edtKeyFrame, c.keyFrame },
                    std::pair { form.edtDateRate, c.dataRate } }) {
                if (text != nullptr)
                    field->setText(text);
            }
            (c.ok ? form.OK : form.Cancel)->click();
        });
        EXPECT_EQ(video::RunQuickTimeExportCommand(run, nullptr, "Caption", &edit), c.ok);

        if (c.shown != nullptr) {
            EXPECT_EQ(shown, c.shown);
        }
        EXPECT_TRUE(oldOutputGone);
        EXPECT_EQ(view.overallTexts.empty() ? "(no run)" : view.overallTexts[0],
            c.ok ? "Exporting to QuickTime..." : "(no run)");
        TXMLSettings saved(false);
        saved.ReadXMLSettingsFile(file);
        for (const auto& [key, value] : c.saved)
            EXPECT_EQ(saved.GetInteger(key, -1), value) << key << " after " << (c.shown ? c.shown : "");
    }
}

} // namespace
