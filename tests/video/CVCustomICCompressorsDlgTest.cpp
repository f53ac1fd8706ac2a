// The codec chooser over this machine's real compressor list: what it
// lists, which controls each codec enables, the presets it clamps, the
// record it fills, and the chooser when no compressor takes the format.

#include "video/CVCustomICCompressorsDlg.h"
#include "ScriptedDialogs.h"
#include "app/QtTestApplication.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace platform;

BITMAPINFOHEADER Sample(int width = 400, int height = 400)
{
    BITMAPINFOHEADER header;
    header.biWidth = width;
    header.biHeight = height;
    header.biBitCount = 32;
    header.biSizeImage = static_cast<std::uint32_t>(width * height * 4);
    return header;
}

bool NoCompressors(FOURCC, std::uint32_t, ICINFO*)
{
    return false;
}

std::vector<std::string> Items(const QListWidget* list)
{
    std::vector<std::string> items;
    for (int i = 0; i < list->count(); ++i)
        items.push_back(list->item(i)->text().toStdString());
    return items;
}

TEST(CodecChooser, ListsTheInstalledCompressorsWithTheirControls)
{
    vantor::test::TestApplication();
    BITMAPINFOHEADER input = Sample(398, 301);
    TCVCustomICCompressorsDlg dialog(nullptr, -1, 10, FourCCFromString("IV50"), input);
    // Rounded up to multiples of 4, rows of 32-bit pixels.
    EXPECT_EQ(input.biWidth, 400);
    EXPECT_EQ(input.biHeight, 304);
    EXPECT_EQ(input.biSizeImage, 486400u);
    EXPECT_EQ(Items(dialog.lbxCompressors),
        (std::vector<std::string> { "MPEG-4 Part 2 (Xvid compatible)", "MPEG-4 Part 2 (FFmpeg)",
            "H.264 / AVC (x264)", "Microsoft MPEG-4 version 3", "Microsoft MPEG-4 version 2",
            "Windows Media Video 7", "Windows Media Video 8", "Sorenson H.263 (Flash Video)", "Motion JPEG",
            "Cinepak", "Microsoft Video 1", "Zip Motion Blocks Video", "FFV1 lossless", "HuffYUV lossless",
            "HuffYUV lossless (FFmpeg variant)", "PNG frames", "Full Frames (Uncompressed)" }));
    // No Indeo 5 here: the first entry stands in for the missing codec.
    EXPECT_EQ(dialog.lbxCompressors->currentRow(), 0);

    struct Case {
        int row;
        bool keyFrames;
        std::string keyText;
        bool quality;
        int position;
        bool configure;
        bool about;
    };
    const Case cases[] = {
        { 2, true, "250", true, 55, true, true }, // H264
        { 0, true, "100", true, 75, true, true }, // XVID
        { 8, false, "1", true, 75, true, true }, // MJPG: every frame a key frame
        { 9, true, "15", false, 0, true, true }, // cvid
        { 12, false, "1", false, 0, true, true }, // FFV1
        { 16, false, "9999", false, 100, false, false }, // uncompressed
    };
    // Each selection shows the codec's own defaults.
    for (const Case& c : cases) {
        dialog.lbxCompressors->setCurrentRow(c.row);
        EXPECT_EQ(dialog.cbxKeyFrameRate->isEnabled(), c.keyFrames) << c.row;
        EXPECT_EQ(dialog.edtKeyFrameRate->isEnabled(), c.keyFrames) << c.row;
        EXPECT_EQ(dialog.edtKeyFrameRate->text().toStdString(), c.keyText) << c.row;
        EXPECT_EQ(dialog.sbCompressionQuality->isEnabled(), c.quality) << c.row;
        EXPECT_EQ(dialog.sbCompressionQuality->value(), c.position) << c.row;
        EXPECT_EQ(dialog.lblCompressionQuality->text().toStdString(), std::to_string(c.position)) << c.row;
        EXPECT_EQ(dialog.btnConfigure->isEnabled(), c.configure) << c.row;
        EXPECT_EQ(dialog.btnAbout->isEnabled(), c.about) << c.row;
        EXPECT_TRUE(dialog.btnOk->isEnabled()) << c.row;
    }
}

TEST(CodecChooser, PresetsAreClampedAndTheResultFilled)
{
    vantor::test::TestApplication();
    struct Case {
        const char* fourcc;
        int quality;
        int keyFrames;
        int position;
        std::string keyText;
        int qualityOut;
        int keyFramesOut;
        std::int32_t compvarsQuality;
        std::int32_t outHeight; // the input header's height afterwards
    };
    const Case cases[] = {
        { "XVID", 7550, 0, 75, "1", 7500, 1, 7500, 400 },
        { "H264", 0, 20000, 0, "9999", 0, 9999, 1, 400 },
        { "MJPG", 10000, 50, 100, "1", 10000, -1, 10000, 400 },
        { "cvid", 7550, 30, 0, "30", -1, 30, 1, 401 },
    };
    for (const Case& c : cases) {
        BITMAPINFOHEADER input = Sample();
        COMPVARS compvars;
        compvars.cbSize = 64;
        FOURCC fourcc = FourCCFromString(c.fourcc);
        int keyFrames = c.keyFrames;
        int quality = c.quality;
        TCVCustomICCompressorsDlg dialog(nullptr, quality, keyFrames, fourcc, input);
        EXPECT_EQ(dialog.sbCompressionQuality->value(), c.position) << c.fourcc;
        EXPECT_EQ(dialog.edtKeyFrameRate->text().toStdString(), c.keyText) << c.fourcc;
        ASSERT_EQ(
            dialog.Execute(true, input, compvars, &fourcc, &keyFrames, &quality, nullptr), QDialog::Accepted);
        EXPECT_EQ(FourCCToString(fourcc), c.fourcc);
        EXPECT_EQ(quality, c.qualityOut) << c.fourcc;
        EXPECT_EQ(keyFrames, c.keyFramesOut) << c.fourcc;
        EXPECT_EQ(compvars.dwFlags, ICMF_COMPVARS_VALID);
        EXPECT_EQ(FourCCToString(compvars.fccHandler), c.fourcc);
        EXPECT_EQ(compvars.lDataRate, 300);
        EXPECT_EQ(compvars.lQ, c.compvarsQuality) << c.fourcc;
        ASSERT_NE(compvars.lpbiOut, nullptr);
        EXPECT_EQ(FourCCToString(compvars.lpbiOut->biCompression), c.fourcc);
        EXPECT_EQ(input.biHeight, c.outHeight) << c.fourcc;
        vantor::video::ReleaseCompVars(compvars);
    }
}

TEST(CodecChooser, WithoutCompressorsOnlyUncompressedFramesAreOffered)
{
    vantor::test::TestApplication();
    BITMAPINFOHEADER input = Sample();
    COMPVARS compvars;
    FOURCC fourcc = FourCCFromString("XVID");
    int keyFrames = 25;
    int quality = 5000;
    TCVCustomICCompressorsDlg dialog(nullptr, quality, keyFrames, fourcc, input, NoCompressors);
    EXPECT_EQ(Items(dialog.lbxCompressors), std::vector<std::string> { "Full Frames (Uncompressed)" });
    EXPECT_EQ(dialog.lbxCompressors->currentRow(), 0);
    EXPECT_FALSE(dialog.btnConfigure->isEnabled());
    EXPECT_FALSE(dialog.btnAbout->isEnabled());
    ASSERT_EQ(
        dialog.Execute(true, input, compvars, &fourcc, &keyFrames, &quality, nullptr), QDialog::Accepted);
    EXPECT_EQ(FourCCToString(fourcc), "DIB ");
    EXPECT_EQ(keyFrames, -1);
    EXPECT_EQ(quality, -1);
    EXPECT_EQ(compvars.lpbiOut, nullptr);
    vantor::video::ReleaseCompVars(compvars);
}

TEST(CodecChooser, KeyFrameRateBelowOneKeepsTheDialogOpen)
{
    vantor::test::TestApplication();
    vantor::test::ScriptedDialogs dialogs;
    BITMAPINFOHEADER input = Sample();
    TCVCustomICCompressorsDlg dialog(nullptr, -1, 10, FourCCFromString("XVID"), input);
    for (const char* text : { "0", "x1", "-3" }) {
        dialog.edtKeyFrameRate->setText(text);
        dialog.btnOkClick();
        EXPECT_EQ(dialog.result(), QDialog::Rejected) << text;
    }
    ASSERT_EQ(dialogs.messages.size(), 3u);
    EXPECT_EQ(dialogs.messages[0].text, "Key Frame Rate must be a positive integer value");
    EXPECT_EQ(dialogs.messages[0].caption, "Choose AVI Codec");
    EXPECT_EQ(dialogs.messages[0].flags, MB_ICONERROR);
    dialog.edtKeyFrameRate->setText("12");
    dialog.btnOkClick();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialogs.messages.size(), 3u);
}

} // namespace
