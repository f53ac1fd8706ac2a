// The WMV options dialog on the offscreen platform, filled by a fake export
// library through the real catalogue callbacks: the cascade of the video
// and audio choices as the user meets it in the widgets, and the Set/Get
// operations the WMV command uses.

#include "video/WMVExportForm.h"
#include "FakeWMVExportLibrary.h"
#include "app/QtTestApplication.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSpinBox>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace vantor::test;

std::vector<std::string> Items(const QComboBox* combo)
{
    std::vector<std::string> items;
    for (int i = 0; i < combo->count(); ++i)
        items.push_back(combo->itemText(i).toStdString());
    return items;
}

// The user picks an item.
void Pick(QComboBox* combo, int index)
{
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

TEST(WMVExportForm, VideoChoicesFollowTheCodecsFormats)
{
    struct Case {
        const char* name;
        std::function<void(TWMVExportForm&)> act;
        bool vbrChecked, vbrEnabled;
        std::string vbrCaption;
        std::vector<std::string> passes;
        std::string passSelected;
        std::string bitrateLabel;
        bool bitrateShown;
    };
    const std::vector<std::string> twoPasses { "1 - pass", "2 - pass" };
    const Case cases[] = {
        { "start: one-pass VBR hides the bit rate", [](TWMVExportForm&) {}, true, true, "Variable bitrate",
            twoPasses, "1 - pass", "Bitrate:", false },
        { "two-pass VBR asks for the first pass's bit rate",
            [](TWMVExportForm& f) { Pick(f.cbVideoNumPasses, 1); }, true, true,
            "Second pass variable bitrate", twoPasses, "2 - pass", "First pass bitrate:", true },
        { "constant bit rate only", [](TWMVExportForm& f) { Pick(f.cbVideoCodec, 0); }, false, false,
            "Variable bitrate", twoPasses, "1 - pass", "Bitrate:", true },
        { "VBR off counts the constant formats' passes",
            [](TWMVExportForm& f) { f.cbxVideoVBR->setChecked(false); }, false, true, "Variable bitrate",
            { "1 - pass" }, "1 - pass", "Bitrate:", true },
        { "the user's codec keeps VBR off",
            [](TWMVExportForm& f) {
                f.cbxVideoVBR->setChecked(false);
                Pick(f.cbVideoCodec, 1);
            },
            false, true, "Variable bitrate", { "1 - pass" }, "1 - pass", "Bitrate:", true },
        { "a programmatic codec selection checks VBR",
            [](TWMVExportForm& f) {
                f.cbxVideoVBR->setChecked(false);
                f.cbVideoCodecSelect(false);
            },
            true, true, "Variable bitrate", twoPasses, "1 - pass", "Bitrate:", false },
    };
    TestApplication();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TWMVExportForm form(&FakeWMVExportLibrary());
        c.act(form);
        EXPECT_EQ(form.cbxVideoVBR->isChecked(), c.vbrChecked);
        EXPECT_EQ(form.cbxVideoVBR->isEnabled(), c.vbrEnabled);
        EXPECT_EQ(form.cbxVideoVBR->text().toStdString(), c.vbrCaption);
        EXPECT_EQ(Items(form.cbVideoNumPasses), c.passes);
        EXPECT_EQ(form.cbVideoNumPasses->currentText().toStdString(), c.passSelected);
        EXPECT_EQ(form.lblVideoBitrate->text().toStdString(), c.bitrateLabel);
        for (const QWidget* w : std::initializer_list<const QWidget*> {
                 form.lblVideoBitrate, form.sbVideoBitrate, form.lblVideoBitrate2 })
            EXPECT_EQ(!w->isHidden(), c.bitrateShown) << w->objectName().toStdString();
    }
}

TEST(WMVExportForm, AudioChoicesFollowTheCodecsFormats)
{
    struct Case {
        const char* name;
        std::function<void(TWMVExportForm&)> act;
        bool vbrChecked;
        std::string label;
        std::vector<std::string> formats;
        std::string formatSelected;
        std::vector<std::string> rates;
        std::string rateSelected;
    };
    const std::vector<std::string> constantFormats { "44 kHz, stereo", "22 kHz, mono" };
    const Case cases[] = {
        { "one-pass VBR lists quality levels", [](TWMVExportForm&) {}, true, "Quality", { "44 kHz, stereo" },
            "44 kHz, stereo", { "98" }, "98" },
        { "constant rates in kbps, the highest chosen",
            [](TWMVExportForm& f) { f.cbxAudioVBR->setChecked(false); }, false, "Bitrate", constantFormats,
            "44 kHz, stereo", { "128 kbps", "64 kbps" }, "128 kbps" },
        { "a rate under 4000 in bps",
            [](TWMVExportForm& f) {
                f.cbxAudioVBR->setChecked(false);
                Pick(f.cbAudioFormat, 1);
            },
            false, "Bitrate", constantFormats, "22 kHz, mono", { "3000 bps" }, "3000 bps" },
        { "a rate differing in its low 3 bits stays chosen",
            [](TWMVExportForm& f) {
                f.cbxAudioVBR->setChecked(false);
                f.cbAudioQualityBitrate->setCurrentIndex(1);
                Pick(f.cbAudioCodec, 0);
            },
            false, "Bitrate", { "44 kHz, stereo" }, "44 kHz, stereo", { "128 kbps", "64 kbps" }, "64 kbps" },
    };
    TestApplication();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TWMVExportForm form(&FakeWMVExportLibrary());
        form.cbSound->setChecked(true);
        c.act(form);
        EXPECT_EQ(form.cbxAudioVBR->isChecked(), c.vbrChecked);
        EXPECT_EQ(form.lblAudioQualityBitrate->text().toStdString(), c.label);
        EXPECT_EQ(Items(form.cbAudioNumPasses), std::vector<std::string> { "1 - pass" });
        EXPECT_EQ(Items(form.cbAudioFormat), c.formats);
        EXPECT_EQ(form.cbAudioFormat->currentText().toStdString(), c.formatSelected);
        EXPECT_EQ(Items(form.cbAudioQualityBitrate), c.rates);
        EXPECT_EQ(form.cbAudioQualityBitrate->currentText().toStdString(), c.rateSelected);
    }
}

TEST(WMVExportForm, StoredFormatsComeBackOrLeaveTheCascadesChoices)
{
    struct Case {
        const char* name;
        bool library;
        std::function<void(TWMVExportForm&)> set;
        std::vector<int> video; // codec, VBR, passes, bit rate, quality
        std::vector<int> audio; // codec, format, VBR, passes
        std::string rateSelected;
    };
    const Case cases[] = {
        { "video format", true, [](TWMVExportForm& f) { f.SetVideoFormat(kWmv7, 0, 2, 900000, 55); },
            { kWmv7, 0, 2, 900000, 55 }, { kWma2, 13, 1, 1 }, "98" },
        { "a codec no longer offered leaves the default", true,
            [](TWMVExportForm& f) { f.SetVideoFormat(0x33564D57, 0, 1, 1500000, 80); },
            { kWmv8, 0, 1, 1500000, 80 }, { kWma2, 13, 1, 1 }, "98" },
        { "audio format of another codec", true, [](TWMVExportForm& f) { f.SetAudioFormat(kWma1, 21, 0, 1); },
            { kWmv8, 1, 1, 600000, 100 }, { kWma1, 21, 0, 1 }, "64 kbps" },
        { "an audio format no longer offered saves the cascade's", true,
            [](TWMVExportForm& f) { f.SetAudioFormat(kWma2, 42, 0, 1); }, { kWmv8, 1, 1, 600000, 100 },
            { kWma2, 13, 1, 1 }, "98" },
        { "without the library nothing is listed and nothing matches", false, [](TWMVExportForm&) {},
            { 0, 0, 0, 600000, 100 }, { 0, 7, 7, 7 }, "" },
    };
    TestApplication();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TWMVExportForm form(c.library ? &FakeWMVExportLibrary() : nullptr);
        c.set(form);
        std::vector<int> video(5);
        form.GetVideoFormat(&video[0], &video[1], &video[2], &video[3], &video[4]);
        EXPECT_EQ(video, c.video);
        std::vector<int> audio { -1, 7, 7, 7 };
        form.GetAudioFormat(&audio[0], &audio[1], &audio[2], &audio[3]);
        EXPECT_EQ(audio, c.audio);
        EXPECT_EQ(form.cbAudioQualityBitrate->currentText().toStdString(), c.rateSelected);
    }
}

} // namespace
