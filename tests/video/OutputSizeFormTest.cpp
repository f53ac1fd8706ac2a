// The AVI and QuickTime options dialog on the offscreen platform: the scale
// arithmetic as the user meets it in the fields and labels, and the
// differences the WMV dialog's variant of the same rules makes.

#include "video/OutputSizeForm.h"
#include "app/QtTestApplication.h"
#include "app/SoundRecorder.h"
#include "video/AviExportSettings.h"
#include "video/OutputSizeRules.h"
#include "video/QtAviExportDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>

#include <functional>
#include <string>

#include <gtest/gtest.h>

namespace {

using namespace vantor::video;

struct ScaleCase {
    const char* name;
    std::function<void(TOutputSizeForm&)> act;
    float widthPercent;
    float heightPercent;
    int outWidth;
    int outHeight;
    std::string sizeLabel;
    bool keepAspectChecked;
    bool keepAspectEnabled;
};

TEST(OutputSizeForm, ScalingFollowsTheFieldsAndChoices)
{
    vantor::test::TestApplication();
    const auto percent = [](int width, int height, bool keepAspect) {
        return [=](TOutputSizeForm& f) {
            f.SetMovieSize(width, height);
            f.KeepAspect->setChecked(keepAspect);
            f.SetScalePercents(100, 100);
        };
    };
    const ScaleCase cases[] = {
        { "width typed, keep aspect",
            [&](TOutputSizeForm& f) {
                percent(100, 100, true)(f);
                f.OutWidth->setValue(50);
            },
            50, 50, 50, 50, "(movie=50x50 pixels)", true, true },
        { "height typed, aspect free",
            [&](TOutputSizeForm& f) {
                percent(100, 100, false)(f);
                f.OutHeight->setValue(50);
            },
            100, 50, 100, 50, "(movie=100x50 pixels)", false, true },
        { "width typed after height, aspect free",
            [&](TOutputSizeForm& f) {
                percent(100, 100, false)(f);
                f.OutHeight->setValue(50);
                f.OutWidth->setValue(30);
            },
            30, 50, 30, 50, "(movie=30x50 pixels)", false, true },
        { "QuickTime rounds the label up to 16",
            [&](TOutputSizeForm& f) {
                f.QuickTimeMode = true;
                percent(100, 100, true)(f);
                f.OutWidth->setValue(33);
            },
            33, 33, 33, 33, "(movie=48x48 pixels)", true, true },
        { "pixels of 640 x 480 at 50 %",
            [](TOutputSizeForm& f) {
                f.SetMovieSize(640, 480);
                f.SetScalePercents(50, 50);
                f.rbScaleToPixels->setChecked(true);
            },
            50, 50, 320, 240, "(movie=320x240 pixels)", true, true },
        { "pixels unlock the aspect",
            [&](TOutputSizeForm& f) {
                f.UnlockAspectInPixels = true;
                percent(640, 480, true)(f);
                f.rbScaleToPixels->setChecked(true);
            },
            100, 100, 640, 480, "(movie=640x480 pixels)", false, false },
        { "back to percent leaves the aspect unchecked",
            [&](TOutputSizeForm& f) {
                f.UnlockAspectInPixels = true;
                percent(640, 480, true)(f);
                f.rbScaleToPixels->setChecked(true);
                f.rbScaleToPercents->setChecked(true);
            },
            100, 100, 100, 100, "(movie=640x480 pixels)", false, true },
    };
    for (const ScaleCase& c : cases) {
        TOutputSizeForm form;
        c.act(form);
        EXPECT_EQ(form.GetWidthPercent(), c.widthPercent) << c.name;
        EXPECT_EQ(form.GetHeightPercent(), c.heightPercent) << c.name;
        EXPECT_EQ(form.OutWidth->value(), c.outWidth) << c.name;
        EXPECT_EQ(form.OutHeight->value(), c.outHeight) << c.name;
        EXPECT_EQ(form.lblOutMovieSize->text().toStdString(), c.sizeLabel) << c.name;
        EXPECT_EQ(form.KeepAspect->isChecked(), c.keepAspectChecked) << c.name;
        EXPECT_EQ(form.KeepAspect->isEnabled(), c.keepAspectEnabled) << c.name;
    }
}

TEST(OutputSizeForm, QuickTimePixelFieldsStepBy16AndCaptionsAndQualityPercentShow)
{
    vantor::test::TestApplication();
    struct Case {
        bool quickTime;
        int step;
        bool readOnly;
        int afterStepUp;
    };
    for (const Case& c : { Case { false, 5, false, 325 }, Case { true, 16, true, 336 } }) {
        TOutputSizeForm form;
        form.QuickTimeMode = c.quickTime;
        form.SetMovieSize(640, 480);
        form.rbScaleToPixels->setChecked(true);
        form.SetScalePercents(50, 50);
        form.OutWidth->stepUp();
        EXPECT_EQ(form.OutWidth->singleStep(), c.step);
        EXPECT_EQ(form.OutWidth->findChild<QLineEdit*>()->isReadOnly(), c.readOnly);
        EXPECT_EQ(form.OutWidth->value(), c.afterStepUp);
        EXPECT_EQ(form.GetOutputWidth(), c.afterStepUp);
    }

    // Captions and the quality percentage.
    vantor::test::TestApplication();
    TOutputSizeForm captioned;
    captioned.SetFrameRateCaptions(25);
    EXPECT_EQ(captioned.rbFullFrame->text().toStdString(), "Full frame rate (25fps)");
    EXPECT_EQ(captioned.rb2Frame->text().toStdString(), "1/2 frame rate (12fps)");
    EXPECT_EQ(captioned.rb4Frame->text().toStdString(), "1/4 frame rate (6fps)");
    captioned.tbQuality->setValue(870);
    EXPECT_EQ(captioned.lblPercent->text().toStdString(), "84 %");
}

TEST(OutputSizeRules, VariantsDifferInEpsilonAndRounding)
{
    struct Case {
        OutputSizeVariant variant;
        bool quickTime;
        float percent;
        int pixels;
        int label;
    };
    const Case cases[] = {
        { kOutputSizeFormVariant, false, 49.99995f, 50, 50 },
        { kWmvFormVariant, false, 49.99995f, 49, 49 },
        { kOutputSizeFormVariant, true, 33.0f, 33, 48 },
        { kWmvFormVariant, true, 33.0f, 33, 33 },
    };
    for (const Case& c : cases) {
        OutputSizeRules rules(c.variant);
        rules.quickTimeMode = c.quickTime;
        rules.SetMovieSize(100, 100);
        rules.SetScalePercents(c.percent, c.percent);
        int width = 0;
        int height = 0;
        ASSERT_TRUE(rules.MovieSizeLabel(&width, &height));
        EXPECT_EQ(rules.PixelWidth(), c.pixels) << c.variant.pixelEpsilon << " " << c.percent;
        EXPECT_EQ(width, c.label) << c.variant.pixelEpsilon << " " << c.quickTime;
    }
    // The WMV dialog's larger maximum lets percentages pass 100.
    OutputSizeRules wmv(kWmvFormVariant);
    wmv.SetMovieSize(1024, 768);
    wmv.SetMaxOutputSize(4096, 4096);
    wmv.SetScalePercents(100, 100);
    EXPECT_EQ(wmv.UpdateScaling(true, true).width.maximum, 400);
}

TEST(OutputSizeForm, AviCommandFillsTheDialogFromTheStoredSettings)
{
    vantor::test::TestApplication();
    vantor::SetMP3Available(true);
    struct Case {
        const char* name;
        std::function<void(AviExportSettings&)> stored;
        bool fullRate;
        bool pixels;
        int outWidth;
        bool worstFormat;
        bool explicitFormat;
        int formatIndex;
        bool mp3;
        int profileIndex;
        int autoscrollWidth;
    };
    const Case cases[] = {
        { "no file", [](AviExportSettings&) {}, true, false, 100, true, false, 0, true, 1, 10 },
        { "pixels never set show the percentages",
            [](AviExportSettings& s) {
                s.scaleToPercents = false;
                s.outputSizeWidthPercent = s.outputSizeHeightPercent = 40;
            },
            true, true, 40, true, false, 0, true, 1, 10 },
        { "explicit PCM format, very high profile, small autoscroll",
            [](AviExportSettings& s) {
                s.frameRateMode = 2;
                s.soundFormat = 0x80;
                s.soundCompressFormat = 1;
                s.soundMP3Profile = 5;
                s.autoscrollWidth = 4;
                s.autoscrollMode = 4;
            },
            false, false, 100, true, true, 7, false, 3, 10 },
        { "best format, unknown profile",
            [](AviExportSettings& s) {
                s.useBestSoundFormat = true;
                s.soundMP3Profile = 9;
                s.autoscrollWidth = 60;
            },
            true, false, 100, false, false, 0, true, 2, 60 },
    };
    for (const Case& c : cases) {
        TOutputSizeForm form;
        AviExportSettings stored;
        c.stored(stored);
        QtAviExportDialogs(form, nullptr).Prepare(stored);
        EXPECT_EQ(form.windowTitle().toStdString(), "AVI Export Options") << c.name;
        EXPECT_FALSE(form.PageControl->isTabVisible(form.PageControl->indexOf(form.tsQT))) << c.name;
        EXPECT_EQ(form.KeepAspect->isChecked(), !c.pixels) << c.name; // pixels unlock the aspect
        EXPECT_EQ(form.rbFullFrame->isChecked(), c.fullRate) << c.name;
        EXPECT_EQ(form.rbScaleToPixels->isChecked(), c.pixels) << c.name;
        EXPECT_EQ(form.OutWidth->value(), c.outWidth) << c.name;
        EXPECT_EQ(form.rdUseWorstFormat->isChecked(), c.worstFormat && !c.explicitFormat) << c.name;
        EXPECT_EQ(form.rdUseExplicitFormat->isChecked(), c.explicitFormat) << c.name;
        EXPECT_EQ(form.cbSoundFormat->currentIndex(), c.formatIndex) << c.name;
        EXPECT_EQ(form.UseMP3Check->isChecked(), c.mp3) << c.name;
        EXPECT_EQ(form.cbMP3Profile->isEnabled(), c.mp3) << c.name;
        EXPECT_EQ(form.cbMP3Profile->currentIndex(), c.profileIndex) << c.name;
        EXPECT_EQ(form.AutoScrollWidth->value(), c.autoscrollWidth) << c.name;
    }
}

} // namespace
