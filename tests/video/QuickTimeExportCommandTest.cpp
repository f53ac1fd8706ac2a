// btnExportQTClick with the real options dialog on the offscreen platform:
// what the dialog shows for a given "QT.xml", what is saved back after the
// user typed into it, and that a run starts only on "Export".

#include "TestEnvironment.h"
#include "app/BatchOutputNames.h"
#include "app/QtTestApplication.h"
#include "app/ScriptedEngine.h"
#include "video/OutputSizeForm.h"
#include "video/QtQuickTimeExportDialogs.h"
#include "xml/XMLSettings.h"

#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>
#include <utility>

namespace {

using namespace vantor;
namespace fs = std::filesystem;
using Keys = std::vector<std::pair<const char*, int>>;

TEST(QuickTimeExportCommandTest, DialogShowsTheFileAndSavesWhatWasTyped)
{
    test::TestApplication();
    const struct {
        Keys stored; // integers in "QT.xml" before the command; none: no file
        const char* prebuffer; // typed; null: left as shown
        bool garbled; // "x" typed as key frames, "abc" as the data rate
        bool ok;
        Keys saved; // in "QT.xml" afterwards
    } cases[] = {
        { {}, nullptr, false, true,
            { { "FrameRateMode", 0 }, { "KeyFrame", 25 }, { "FrameRate", 25 }, { "DateRateType", 0 },
                { "DateRate", 600 }, { "DateRateMax", 800 }, { "DateRateMin", 400 }, { "Quality", 870 },
                { "Multipass", 0 }, { "FlattenMovie", 1 }, { "ExportSounds", 1 },
                { "SoundCompressFormat", 85 }, { "SoundMP3Profile", 0 }, { "UseBestSoundFormat", 0 },
                { "PlaybackControls", 1 }, { "VAlign", 0 }, { "HAlign", 0 }, { "Prebuffer", 30 },
                { "AutoHide", 0 } } },
        { { { "FrameRateMode", 2 }, { "KeyFrame", 0 }, { "VAlign", 7 }, { "SoundFormat", 3 } }, "250", false,
            true,
            { { "FrameRateMode", 2 }, { "KeyFrame", 6 }, { "VAlign", 2 }, { "SoundFormat", 0 },
                { "Prebuffer", 100 } } },
        { {}, "-5", true, true, { { "Prebuffer", 0 }, { "KeyFrame", 30 }, { "DateRate", 90 } } },
        { { { "Prebuffer", 45 } }, "abc", false, true, { { "Prebuffer", 45 } } },
        { { { "Prebuffer", 45 } }, "60", false, false, { { "Prebuffer", 45 }, { "FrameRate", -1 } } },
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        test::RecordingBatchView view;
        view.movieList = { dir / "first.vtr" };
        view.destination = dir / "out";
        test::WriteFile(dir.Path() / "out" / "first.mov", "an older export");
        BatchRun run(view);
        run.SetSettingsFilePrefix(dir / "Vantor Batch Export");
        const std::string file = SettingsFilePath(run.SettingsFilePrefix(), ExportFormat::QuickTime);
        if (!c.stored.empty()) {
            TXMLSettings store(false);
            for (const auto& [key, value] : c.stored)
                store.SetInteger(key, value);
            ASSERT_TRUE(store.SaveFile(file));
        }
        test::ScriptedDialogs dialogs;
        dialogs.messageAnswers.push_back(platform::IDYES);

        TOutputSizeForm form;
        video::QtQuickTimeExportDialogs edit(form);
        std::string title;
        bool oldOutputGone = false;
        QTimer::singleShot(0, [&] {
            title = form.windowTitle().toStdString();
            oldOutputGone = !fs::exists(dir.Path() / "out" / "first.mov");
            form.edtPrebuffer->setText(c.prebuffer != nullptr ? c.prebuffer : form.edtPrebuffer->text());
            form.edtKeyFrame->setText(c.garbled ? "x" : form.edtKeyFrame->text());
            form.edtDateRate->setText(c.garbled ? "abc" : form.edtDateRate->text());
            (c.ok ? form.OK : form.Cancel)->click();
        });
        EXPECT_EQ(video::RunQuickTimeExportCommand(run, nullptr, "Caption", &edit), c.ok);

        EXPECT_EQ(title, "QuickTime Export Options");
        EXPECT_TRUE(oldOutputGone);
        EXPECT_EQ(view.overallTexts.empty() ? "(no run)" : view.overallTexts[0],
            c.ok ? "Exporting to QuickTime..." : "(no run)");
        TXMLSettings saved(false);
        saved.ReadXMLSettingsFile(file);
        for (const auto& [key, value] : c.saved)
            EXPECT_EQ(saved.GetInteger(key, -1), value)
                << key << " typed " << (c.prebuffer ? c.prebuffer : "");
    }
}

} // namespace
