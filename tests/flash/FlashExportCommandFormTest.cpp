// "Export to Flash..." in the window: the Flash options dialog offscreen,
// answered from the test, and a scripted engine in place of the plugin.

#include "app/MainFormFixture.h"
#include "app/SoundRecorder.h"
#include "app/WindowState.h"
#include "flash/FlashOptionsForm.h"
#include "flash/QtFlashExportCommand.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <set>

namespace {

using namespace vantor;
namespace fs = std::filesystem;

class FlashExportCommandFormTest : public test::MainFormFixture { };

TEST_F(FlashExportCommandFormTest, OutputsQuestionDialogSettingsAndRun)
{
    struct Case {
        const char* name;
        std::vector<std::string> movies;
        std::vector<std::string> existing; // in the destination before the click
        std::string stored; // one Integer "Key=value" of "Flash.xml"; empty: no file
        bool mp3 = true;
        int answer = platform::IDYES;
        bool exportClicked = true; // the dialog's button, when it shows
        std::size_t questions = 0;
        std::set<std::string> left; // in the destination after the click
        std::string written; // key=value read back from "Flash.xml"; empty: file unchanged
        std::string exported; // the first ExportFlash output; empty: no run
    };
    const Case cases[] = {
        { "same name in two folders is one movie", { "a/demo.vtr", "b/demo.vtr" }, { "demo_toolbar.swf" }, "",
            true, platform::IDYES, true, 1, {}, "SFWType=0", "demo.swf" },
        { "a lone preview asks; No keeps everything", { "a/clip.vtz", "b/demo.vtr" }, { "demo_preview.swf" },
            "SFWType=1", true, platform::IDNO, true, 1, { "demo_preview.swf" }, "", "" },
        { "cancel after Yes: outputs gone, settings unchanged", { "a/clip.vtz" },
            { "clip.swf", "clip.html", "clip.flv", "other.swf" }, "SFWType=1", true, platform::IDYES, false,
            1, { "other.swf" }, "", "" },
        { "Flash video", { "a/clip" }, {}, "SFWType=1", true, platform::IDYES, true, 0, {}, "SFWType=1",
            "clip.flv" },
        { "MP3 stays without the encoder", { "a/clip.vtr" }, {}, "", false, platform::IDYES, true, 0, {},
            "SoundCompressFormat=85", "clip.swf" },
        { "click-to-load cannot stay with a single SWF", { "a/clip.vtr" }, {}, "StartingPlaybackMode=0", true,
            platform::IDYES, true, 0, {}, "StartingPlaybackMode=1", "clip.swf" },
    };
    TFlashOptionsForm flashForm(nullptr, (test::BinDir() / "SWFControlBars").string());
    withFlashCommand = false;
    const std::string settings = SettingsFilePrefix() + "Flash.xml";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        engine = {};
        dialogs.messages.clear();
        dialogs.messageAnswers = { c.answer };
        fs::remove(StateFile()); // the list of the previous case
        auto form = MakeForm();
        InstallFlashExportCommand(*form, flashForm);
        SetMP3Available(c.mp3);
        const fs::path dest = m_dir.Path() / c.name;
        for (const std::string& name : c.existing)
            test::WriteFile(dest / name, "old");
        for (const std::string& movie : c.movies)
            form->AddMovie(Movie(movie));
        form->edtDir->setText(QString::fromStdString(dest.string()));
        fs::remove(settings);
        const std::size_t equals = c.stored.find('=');
        const std::string before = c.stored.empty() ? ""
                                                    : "<Application><Program><Configuration><Value Name=\""
                + c.stored.substr(0, equals) + "\" Type=\"Integer\"><Contents>" + c.stored.substr(equals + 1)
                + "</Contents></Value></Configuration></Program></Application>\n";
        if (!before.empty())
            test::WriteFile(settings, before);

        QTimer answerDialog;
        QObject::connect(&answerDialog, &QTimer::timeout, [&] {
            if (!flashForm.isVisible())
                return;
            EXPECT_TRUE(flashForm.cbMP3->isChecked());
            c.exportClicked ? flashForm.btnExportClick() : flashForm.reject();
        });
        answerDialog.start(5);
        form->btnExportFlash->click();
        answerDialog.stop();

        EXPECT_EQ(dialogs.messages.size(), c.questions);
        std::set<std::string> left;
        for (const auto& entry : fs::directory_iterator(dest))
            left.insert(entry.path().filename().string());
        EXPECT_EQ(left, c.left);
        if (c.written.empty()) {
            EXPECT_EQ(test::ReadFile(settings), before);
        } else {
            TXMLSettings store(false);
            store.ReadXMLSettingsFile(settings);
            const std::size_t at = c.written.find('=');
            EXPECT_EQ(store.GetString(c.written.substr(0, at), "?"), c.written.substr(at + 1));
        }
        EXPECT_EQ(form->Batch().IsIdle(), c.exported.empty());
        if (!c.exported.empty()) {
            engine.DeliverAll(form->Batch(), engine.calls.size() + 1);
            EXPECT_EQ(engine.calls.back(), "ExportFlash " + (dest / c.exported).string() + " " + settings);
        }
    }
}

} // namespace
