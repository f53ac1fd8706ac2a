// "Export to WMV..." in the main window with the real engine and export
// library: a movie made by vtr-make, the dialog answered by a script, the
// file read back with libavformat.

#include "TestEnvironment.h"
#include "app/BatchOutputNames.h"
#include "app/MainForm.h"
#include "app/QtTestApplication.h"
#include "app/WindowState.h"
#include "video/QtVideoCommands.h"
#include "video/WMVExportForm.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
}

namespace {

using namespace vantor;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

// "container video WxH packets audio rate channels" of a written file.
std::string Probe(const fs::path& path)
{
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return "unreadable";
    std::string video;
    std::string audio;
    int videoStream = -1;
    if (avformat_find_stream_info(format, nullptr) >= 0)
        for (unsigned i = 0; i < format->nb_streams; ++i) {
            const AVCodecParameters* p = format->streams[i]->codecpar;
            const std::string codec = avcodec_get_name(p->codec_id);
            if (p->codec_type == AVMEDIA_TYPE_VIDEO) {
                videoStream = static_cast<int>(i);
                video = codec + " " + std::to_string(p->width) + "x" + std::to_string(p->height);
            } else if (p->codec_type == AVMEDIA_TYPE_AUDIO) {
                audio = codec + " " + std::to_string(p->sample_rate) + " "
                    + std::to_string(p->ch_layout.nb_channels);
            }
        }
    int packets = 0;
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(format, packet) >= 0) {
        packets += packet->stream_index == videoStream ? 1 : 0;
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    const std::string result
        = std::string(format->iformat->name) + " " + video + " " + std::to_string(packets) + " " + audio;
    avformat_close_input(&format);
    return result;
}

TEST(WMVExportEndToEndFormTest, WindowWritesTheChosenWindowsMediaFormat)
{
    test::TestApplication();
    test::TempDir dir;
    for (const char* name : { "libVTPLAYERAPI.so", "libWMVExport.so", "regsvr32", "vtr-make" })
        ASSERT_TRUE(fs::exists(test::BinDir() / name)) << name << " is not built";
    setenv("VANTOR_COMPONENT_REGISTRY", (dir / "Components.xml").c_str(), 1);
    WMVExportLibrarySources sources = TWMVExportLibrary::DefaultSources();
    sources.exportLibrary = test::BinDir() / "libWMVExport.so";
    TWMVExportLibrary library(sources);
    ASSERT_TRUE(library.IsAvailable());
    fs::remove(SettingsFilePath(SettingsFilePrefix(), ExportFormat::WMV));
    const fs::path movie = dir.Path() / "talk.vtr";
    const std::string make = "'" + (test::BinDir() / "vtr-make").string() + "' synthetic '" + movie.string()
        + "' --size 64x48 --rate 10 --seconds 1 >/dev/null 2>&1";
    ASSERT_EQ(std::system(make.c_str()), 0) << make;

    TMainForm::Options options;
    options.programFolder = test::BinDir().string();
    options.wmvExportAvailable = [&library] { return library.IsAvailable(); };
    TMainForm form(options);
    TWMVExportForm* dialog = video::CreateWmvExportForm(form, &library.Functions());
    ASSERT_TRUE(test::RunEventsUntil([&] { return !form.Batch().WaitingForEngine(); }, 30s));
    form.AddMovie(movie.string());
    form.edtDir->setText(QString::fromStdString((dir.Path() / "out").string()));

    QTimer script;
    QObject::connect(&script, &QTimer::timeout, [&] {
        if (QApplication::activeModalWidget() != dialog || !dialog->isVisible())
            return;
        dialog->OutWidth->setValue(50);
        dialog->rb2Frame->setChecked(true);
        const int mono22 = dialog->cbAudioFormat->findText("22 kHz, mono");
        dialog->cbAudioFormat->setCurrentIndex(mono22);
        emit dialog->cbAudioFormat->activated(mono22);
        dialog->OK->click();
    });
    script.start(10);
    form.btnExportWMV->click();
    script.stop();
    ASSERT_TRUE(test::RunEventsUntil([&] { return form.Batch().IsIdle(); }, 120s));
    EXPECT_EQ(form.memStatus->toPlainText().toStdString(), "talk.vtr: exported successfully");
    EXPECT_EQ(Probe(dir.Path() / "out" / "talk.wmv"), "asf wmv2 32x24 5 wmav2 22050 1");
    unsetenv("VANTOR_COMPONENT_REGISTRY");
}

} // namespace
