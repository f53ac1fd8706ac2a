// "Export to QuickTime..." in the main window with the real engine and the
// real QuickTime library: one movie, the options dialog answered by a
// script, the MOV file read back with libavformat.

#include "ScriptedDialogs.h"
#include "TestEnvironment.h"
#include "app/MainForm.h"
#include "app/QtTestApplication.h"
#include "video/OutputSizeForm.h"
#include "video/QtVideoCommands.h"
#include "video/QuickTimeAPI.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
}

namespace {

using namespace vantor;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(QuickTimeExportWindowTest, ExportsAMovFromTheWindow)
{
    test::TestApplication();
    test::TempDir dir;
    test::ScriptedDialogs dialogs;
    test::ScopedEnv registry("VANTOR_COMPONENT_REGISTRY", (dir / "Components.xml").c_str());
    const std::string movie = dir / "first.vtr";
    ASSERT_EQ(test::RunProgram({ test::BinDir() / "vtr-make", "synthetic", movie, "--size", "64x48", "--rate",
                                   "10", "--seconds", "1" })
                  .status,
        0);
    TMainForm::Options options;
    options.programFolder = test::BinDir().string();
    options.createQuickTimeDetector
        = [] { return std::make_unique<video::TQuickTimeAPI>(test::BinDir() / "libVTQTLibrary.so"); };
    TMainForm form(options);
    TOutputSizeForm* dialog = video::CreateVideoForms(form);
    ASSERT_TRUE(test::RunEventsUntil([&] { return !form.Batch().WaitingForEngine(); }, 30s));
    form.AddMovie(movie);
    form.edtDir->setText(QString::fromStdString(dir / "out"));
    ASSERT_TRUE(form.btnExportQT->isEnabled());

    QTimer::singleShot(0, [dialog] { dialog->OK->click(); });
    form.btnExportQT->click();
    ASSERT_TRUE(test::RunEventsUntil([&] { return form.Batch().IsIdle(); }, 120s));
    EXPECT_EQ(form.memStatus->toPlainText().toStdString(), "first.vtr: exported successfully");

    AVFormatContext* format = nullptr;
    ASSERT_EQ(avformat_open_input(&format, (dir / "out/first.mov").c_str(), nullptr, nullptr), 0);
    ASSERT_GE(avformat_find_stream_info(format, nullptr), 0);
    EXPECT_STREQ(format->iformat->name, "mov,mp4,m4a,3gp,3g2,mj2");
    const AVCodecParameters* video = format->streams[0]->codecpar;
    EXPECT_EQ(std::string(avcodec_get_name(video->codec_id)) + " " + std::to_string(video->width) + "x"
            + std::to_string(video->height),
        "h264 64x48");
    avformat_close_input(&format);
}

} // namespace
