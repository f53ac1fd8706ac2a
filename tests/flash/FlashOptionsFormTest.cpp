#include "flash/FlashOptionsForm.h"
#include "flash/FlashExportSettings.h"
#include "flash/FlashOptionsFormExchange.h"

#include "ScriptedDialogs.h"
#include "ScriptedHelpViewer.h"
#include "TestEnvironment.h"
#include "app/QtTestApplication.h"
#include "support/HelpLauncher.h"
#include "xml/XMLSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using namespace vantor;
using vantor::test::ReadFile;
using vantor::test::ScriptedDialogs;
using vantor::test::TempDir;
using vantor::test::WriteFile;

const std::string kDataDir = VANTOR_SOURCE_DIR "/tests/flash/data/";

// The control bars the program ships, beside the built program.
std::string ShippedBars()
{
    return (test::BinDir() / "SWFControlBars").string();
}

// A Flash export run without the export: load, fill the dialog in the run's
// order, show it, confirm it unchanged, read back and save.
void ConfirmUnchanged(const std::string& prefix, bool mp3Available = true)
{
    test::TestApplication();
    TFlashOptionsForm form(nullptr, ShippedBars());
    FlashExportSettings settings;
    settings.Load(prefix);
    settings.RaiseAutoscrollToMinimum();
    PrepareFlashOptionsForm(form, settings, mp3Available);
    form.show();
    form.btnExportClick();
    ASSERT_EQ(form.result(), QDialog::Accepted);
    ReadFlashOptionsForm(form, settings);
    ASSERT_TRUE(settings.Save(prefix));
}

TEST(FlashOptionsForm, UnchangedConfirmOfAFileWithoutKeysWritesAllKeys)
{
    TempDir dir;
    const std::string prefix = dir / "p";
    WriteFile(prefix + "Flash.xml", test::SettingsFile(""));
    ConfirmUnchanged(prefix);
    EXPECT_EQ(ReadFile(prefix + "Flash.xml"), ReadFile(kDataDir + "FlashUnchangedConfirm.xml"));
}

TEST(FlashOptionsForm, StoredValuesComeBackThroughTheDialogsRules)
{
    struct Case {
        const char* name;
        const char* values; // Name=Type:text pairs of the file
        const char* key;
        const char* written;
        bool mp3Available = true;
    };
    const Case cases[] = {
        { "quarter rate shows as half", "FrameRateMode=Integer:2", "FrameRateMode", "1" },
        { "FLV quality in thousands", "FLVQuality=Integer:8500", "FLVQuality", "8000" },
        { "autoscroll 0 reaches the field's lower bound", "AutoscrollWidth=Integer:0", "AutoscrollWidth",
            "20" },
        { "click-to-load single SWF", "StartingPlaybackMode=Integer:0", "StartingPlaybackMode", "1" },
        { "Flash video writes separate files", "SFWType=Integer:1", "SingleSwf", "false" },
        { "preview needs separate files", "PreviewMode=Integer:2", "PreviewMode", "0" },
        { "click-to-load keeps its preview when separate",
            "SingleSwf=Boolean:false StartingPlaybackMode=Integer:0 PreviewMode=Integer:2", "PreviewMode",
            "2" },
        { "explicit sound format", "SoundFormat=Integer:64", "UseBestSoundFormat", "true" },
        { "unknown sound format", "SoundFormat=Integer:3", "SoundFormat", "0" },
        { "MP3 off", "SoundCompressFormat=Integer:1", "SoundCompressFormat", "1" },
        { "lossless 16-bit", "ColorFormat=Integer:0 ColorBitsCount=Integer:16", "ColorBitsCount", "16" },
        { "JPEG keeps 8-bit", "ColorBitsCount=Integer:8", "ColorBitsCount", "8" },
        { "no sound unticks the volume control", "ExportSounds=Boolean:false", "ShowSoundBar", "false" },
        { "zlib level", "ZlibCompressLevel=Integer:3", "ZlibCompressLevel", "9" },
        { "Flash version", "FlashVersion=Integer:7", "FlashVersion", "9" },
        { "preload beyond 100", "PreloadPercent=Integer:150", "PreloadPercent", "0" },
        { "very high MP3", "SoundMP3Profile=Integer:5", "SoundMP3Profile", "5" },
        { "MP3 stays ticked without the encoder", "", "SoundCompressFormat", "85", false },
        { "pixel sizes survive",
            "ScaleToPercents=Boolean:false OutputSizeWidth=Integer:320 OutputSizeHeight=Integer:240",
            "OutputSizeHeight", "240" },
        { "pixels in a batch drop the aspect ratio",
            "ScaleToPercents=Boolean:false OutputSizeWidth=Integer:320", "OutputSizeKeepAspectRatio",
            "false" },
        { "FLV caps the custom rate at the movie rate",
            "SFWType=Integer:1 FrameRateMode=Integer:3 FrameRateCustom=Integer:60", "FrameRateCustom", "25" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string prefix = dir / "p";
        std::string values;
        for (const QString& pair :
            QString::fromLatin1(c.values).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QStringList nameRest = pair.split(QLatin1Char('='));
            const QStringList typeText = nameRest[1].split(QLatin1Char(':'));
            values += "      <Value Name=\"" + nameRest[0].toStdString() + "\" Type=\""
                + typeText[0].toStdString() + "\">" + typeText[1].toStdString() + "</Value>\n";
        }
        WriteFile(prefix + "Flash.xml", test::SettingsFile(values));
        ConfirmUnchanged(prefix, c.mp3Available);
        TXMLSettings written(false);
        ASSERT_TRUE(written.ReadXMLSettingsFile(prefix + "Flash.xml"));
        EXPECT_EQ(written.GetString(c.key, "missing"), c.written);
    }
}

TEST(FlashOptionsForm, ControlsFollowTheirRulesAndEveryOpeningShowsTheGeneralPage)
{
    test::TestApplication();
    TFlashOptionsForm form(nullptr, ShippedBars());
    form.rbSeparateSwf->setChecked(true);
    form.rbNoDownload->setChecked(true);
    EXPECT_TRUE(form.chkPreviewMode->isEnabled());
    form.chkPreviewMode->setChecked(true);
    form.rbSingleSwf->setChecked(true); // single standard SWF: no preview image
    EXPECT_TRUE(form.rbDownloadNoPlay->isChecked());
    EXPECT_FALSE(form.chkPreviewMode->isEnabled());
    EXPECT_FALSE(form.chkPreviewMode->isChecked());

    form.rbFlashVideo->setChecked(true);
    EXPECT_TRUE(form.rbSeparateSwf->isChecked());
    EXPECT_FALSE(form.rbSingleSwf->isEnabled());
    EXPECT_FALSE(form.cbNextPrev->isEnabled());

    form.rbLossless->setChecked(true);
    form.cbxImageFormat->setCurrentIndex(1);
    EXPECT_EQ(form.cbxImageFormat->currentText().toStdString(), "16 bit (High Colour)");
    form.rbJPEG->setChecked(true);
    EXPECT_EQ(form.cbxImageFormat->currentText().toStdString(), "24 bit (True Colour)");
    form.rbLossless->setChecked(true);
    EXPECT_EQ(form.cbxImageFormat->currentText().toStdString(), "32 bit (True Colour)");

    form.cbSound->setChecked(false);
    EXPECT_FALSE(form.cbMP3->isEnabled());
    EXPECT_FALSE(form.cbVolumeBar->isChecked());

    // Every opening shows the general page.
    test::TestApplication();
    TFlashOptionsForm opened(nullptr, ShippedBars());
    for (int page : { 3, 8 }) {
        opened.lvMain->setCurrentRow(page);
        ASSERT_EQ(opened.PageControl1->currentIndex(), page);
        opened.show();
        EXPECT_EQ(opened.PageControl1->currentIndex(), 0);
        opened.hide();
    }
}

TEST(FlashOptionsForm, ConfirmChecksShowTheirPageAndMessage)
{
    test::TestApplication();
    ScriptedDialogs dialogs;
    TFlashOptionsForm form(nullptr, ShippedBars());
    form.show();
    form.cbSecureCode->setChecked(true);
    form.btnExportClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Please enter a value for the Secure Code before exporting.");
    EXPECT_EQ(dialogs.messages[0].caption, "Error");
    EXPECT_EQ(dialogs.messages[0].flags, 0x10u);
    EXPECT_EQ(form.PageControl1->currentIndex(), 8);
    EXPECT_TRUE(form.isVisible());

    form.cbCreateControlBar->setChecked(true);
    form.rbCustom->setChecked(true);
    form.btnExportClick();
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[1].text, "Please select Customised SWF file with playback controls");
    EXPECT_EQ(form.PageControl1->currentIndex(), 4);

    form.rbPreinstalled->setChecked(true);
    form.edtSecureCode->setText(QStringLiteral("    "));
    form.btnExportClick();
    EXPECT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

TEST(FlashOptionsForm, HelpKeyShowsTheTopicOfThePageAndF3TheHiddenBox)
{
    test::TestApplication();
    auto script = std::make_shared<test::ViewerScript>();
    CVHtmlHelp help(CVHtmlHelp::kDirectMode, test::Viewer(script));
    help.SetHelpFile("/opt/v/CV Vantor Pro Help.chm");
    help.SetHelpFolder("/html/");
    HelpLauncher = &help;
    TFlashOptionsForm form(nullptr, ShippedBars());
    const std::pair<int, const char*> cases[] = {
        { 7, "file:///opt/v/CV%20Vantor%20Pro%20Help/html/Files_generated_by_Flash_exports.htm" },
        { 2, "file:///opt/v/CV%20Vantor%20Pro%20Help/html/Macromedia_Flash_format.htm" },
    };
    for (const auto& [page, url] : cases) {
        form.lvMain->setCurrentRow(page);
        QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
        QApplication::sendEvent(&form, &f1);
        ASSERT_FALSE(script->opened.empty());
        EXPECT_EQ(script->opened.back(), url);
    }
    EXPECT_TRUE(form.cbActionScript3->isHidden());
    QKeyEvent f3(QEvent::KeyPress, Qt::Key_F3, Qt::NoModifier);
    QApplication::sendEvent(&form, &f3);
    EXPECT_FALSE(form.cbActionScript3->isHidden());
    HelpLauncher = nullptr;
    help.Close();
}

} // namespace
