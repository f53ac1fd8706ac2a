#include "flash/FlashOptionsForm.h"
#include "flash/swf/SwfMovieWriter.h"
#include "flash/swf/SwfShape.h"

#include "ScriptedDialogs.h"
#include "TestEnvironment.h"
#include "app/QtTestApplication.h"
#include "app/WindowState.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace {

using namespace vantor;
using vantor::test::ScriptedDialogs;
using vantor::test::TempDir;
using vantor::test::WriteFile;

const char kMissingInstance[] = "Selected Flash movie doesn't contain an instance with the name 'Controls'.";

// A movie whose main timeline places a 200-pixel-wide bar under `instance`.
void WriteBar(const std::string& path, const char* instance, int height)
{
    SwfMovieWriter movie(8, 200, height, 12);
    SwfShape shape;
    shape.Rectangle(0, 0, 200, height, shape.SolidFill(0x336699ff));
    const std::uint16_t id = movie.NewCharacterId();
    movie.Timeline().Tag(32, shape.DefineShape3(id));
    movie.Timeline().PlaceObject2(1, id, 0, 0, instance);
    movie.Timeline().ShowFrame();
    const std::vector<std::uint8_t> bytes = movie.Finish(false);
    WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

// Bar.swf (18 high) with BarSingle.swf (30 high), Plain.swf without the
// instance, and a list line naming a file that is not there.
std::string MakeBars(const TempDir& dir)
{
    WriteFile(
        dir / "bars/description.txt", "  \"Bar.swf\"   Blue bar\n\"Gone.swf\" Gone\n\"Plain.swf\" Plain\n");
    WriteBar(dir / "bars/Bar.swf", "Controls", 18);
    WriteBar(dir / "bars/BarSingle.swf", "Controls", 30);
    WriteBar(dir / "bars/Plain.swf", "Player", 18);
    WriteBar(dir / "mine/lower.swf", "controls", 40);
    return dir / "bars";
}

TEST(FlashControlBarPage, PreinstalledBarsLoadTheirVariantAndAddTheirHeight)
{
    test::TestApplication();
    TempDir dir;
    ScriptedDialogs dialogs;
    TFlashOptionsForm form(nullptr, MakeBars(dir));
    ASSERT_EQ(form.cbPreinstalled->count(), 2);
    form.SetSingleSwf(false);
    form.SetControlBar(0, "");
    form.SetControlBarPos(2, false);
    form.SetAddControlBar(true);
    form.SetMovieSize(100, 100);
    EXPECT_EQ(form.lblOutMovieSize->text().toStdString(), "(movie=100x100, toolbar=100x18)");
    form.rbSingleSwf->click();
    EXPECT_EQ(form.lblOutMovieSize->text().toStdString(), "(movie=100x100, toolbar=100x30)");
    EXPECT_TRUE(form.rbBarBottom->isChecked() && form.rbPreinstalled->isChecked());
    form.cbBarOver->setChecked(true);
    EXPECT_EQ(form.lblOutMovieSize->text().toStdString(), "(movie=100x100)");
    EXPECT_TRUE(form.GetAddControlBar());
    EXPECT_TRUE(form.imgControlBarPreview->pixmap().isNull());

    form.rbSeparateSwf->click();
    form.cbPreinstalled->setCurrentIndex(1);
    emit form.cbPreinstalled->activated(1);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, kMissingInstance);
    EXPECT_FALSE(form.cbCreateControlBar->isEnabled());
    EXPECT_FALSE(form.GetAddControlBar());
}

TEST(FlashControlBarPage, CustomisedFilesAreCheckedAndAFailedStoredOneGivesWay)
{
    test::TestApplication();
    TempDir dir;
    ScriptedDialogs dialogs;
    TFlashOptionsForm form(nullptr, MakeBars(dir));
    form.SetControlBar(0, "");
    form.rbCustom->click(); // the user's choice stays with an empty field
    EXPECT_TRUE(form.rbCustom->isChecked());
    EXPECT_TRUE(form.btnSelectSwf->isEnabled());
    EXPECT_FALSE(form.cbPreinstalled->isEnabled());

    dialogs.openFilesAnswers = { { dir / "mine/lower.swf" }, { dir / "bars/Plain.swf" } };
    form.btnSelectSwf->click();
    form.btnSelectSwf->click();
    EXPECT_EQ(form.edtControlBar->text().toStdString(), dir / "mine/lower.swf");
    EXPECT_EQ(FlashOptionsSwfPath(), dir / "bars/"); // the last file chosen
    EXPECT_TRUE(form.ControlBarAccepted());

    struct Case {
        const char* file;
        int type; // GetControlBar afterwards
        std::size_t messages;
    };
    const Case cases[] = { { "mine/lower.swf", -1, 1 }, { "mine/none.swf", 0, 2 }, { "", 0, 2 } };
    for (const Case& c : cases) {
        form.SetControlBar(-1, *c.file ? dir / c.file : "");
        std::string file;
        EXPECT_EQ(form.GetControlBar(file), c.type) << c.file;
        EXPECT_EQ(dialogs.messages.size(), c.messages) << c.file;
        EXPECT_TRUE(form.ControlBarAccepted()) << c.file;
    }
    EXPECT_EQ(dialogs.messages[1].text, kMissingInstance);
}

TEST(FlashControlBarPage, WithoutListedBarsCustomisedIsChosenAndShippedBarsShowTheirPreviews)
{
    test::TestApplication();
    TempDir dir;
    WriteFile(dir / "description.txt", "");
    TFlashOptionsForm form(nullptr, dir.Path().string());
    form.SetControlBar(0, "");
    form.SetAddControlBar(true);
    EXPECT_TRUE(form.rbCustom->isChecked());
    EXPECT_FALSE(form.rbPreinstalled->isEnabled());
    EXPECT_FALSE(form.cbCreateControlBar->isEnabled());
    EXPECT_FALSE(form.GetAddControlBar());

    // The shipped bars show their preview picture.
    TFlashOptionsForm shipped(nullptr, (test::BinDir() / "SWFControlBars").string());
    for (int type = 0; type < 3; ++type) {
        shipped.SetControlBar(type, "");
        EXPECT_TRUE(shipped.ControlBarAccepted()) << type;
        EXPECT_FALSE(shipped.imgControlBarPreview->pixmap().isNull()) << type;
    }
}

} // namespace
