// The main window with the real Player engine, registered into a private
// component registry the way the program does at start-up, converting
// movies made by vtr-make: the status log and the files written, read back
// with libavformat.

#include "ChildProcess.h"
#include "MainFormFixture.h"
#include "app/BatchRun.h"

#include <QEventLoop>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

namespace {

using namespace vantor;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

// What libavformat makes of a movie file: its version tag and the number of
// video packets read to the end; -1 when it cannot be read.
std::pair<std::string, long> ProbeMovie(const fs::path& path)
{
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return { "", -1 };
    std::unique_ptr<AVFormatContext*, void (*)(AVFormatContext**)> closer(&format, avformat_close_input);
    const int video = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const AVDictionaryEntry* tag = av_dict_get(format->metadata, "VANTOR_MOVIE_VERSION", nullptr, 0);
    long frames = 0;
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(format, packet) >= 0) {
        frames += packet->stream_index == video ? 1 : 0;
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    return { tag != nullptr ? tag->value : "", frames };
}

class EndToEndConvertFormTest : public test::MainFormFixture { };

TEST_F(EndToEndConvertFormTest, ConvertsOldAndCompressedMoviesAndSkipsCurrentOnes)
{
    const std::string registry = m_dir / "Components.xml";
    setenv("VANTOR_COMPONENT_REGISTRY", registry.c_str(), 1);
    const fs::path movies = m_dir.Path() / "movies";
    const fs::path packedSource = m_dir.Path() / "sources/packed-source.vtr"; // not listed
    const fs::path destination = m_dir.Path() / "converted movies";
    ASSERT_TRUE(test::MakeTinyMovie(movies / "current.vtr", m_dir.Path(), { "--seconds", "0.5" }));
    ASSERT_TRUE(test::MakeTinyMovie(movies / "old.vtr", m_dir.Path(), { "--old", "--seconds", "0.7" }));
    ASSERT_TRUE(test::MakeTinyMovie(packedSource, m_dir.Path(), { "--seconds", "0.3", "--sound", "none" }));
    ASSERT_TRUE(
        test::VtrMake({ "compress", packedSource.string(), (movies / "packed.vtz").string() }, m_dir.Path()));

    // The window as the program's entry makes it: the engine registered from
    // the program's folder and created through the registry.
    TMainForm::Options options;
    options.programFolder = test::BinDir().string();
    auto form = std::make_unique<TMainForm>(options);
    ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages[0].text;
    EXPECT_NE(
        test::ReadFile(registry).find((test::BinDir() / "libVTPLAYERAPI.so").string()), std::string::npos);
    ASSERT_TRUE(test::RunEventsUntil([&form] { return !form->Batch().WaitingForEngine(); }, 30s))
        << "the engine never reported that it is ready";
    for (const char* name : { "current.vtr", "old.vtr", "packed.vtz" })
        form->AddMovie((movies / name).string());
    form->edtDir->setText(QString::fromStdString(destination.string()));
    form->btnConvertFormat->click();
    ASSERT_TRUE(test::RunEventsUntil([&form] { return form->Batch().IsIdle(); }, 120s));
    unsetenv("VANTOR_COMPONENT_REGISTRY");

    EXPECT_EQ(form->memStatus->toPlainText().toStdString(),
        "current.vtr: convert skipped, new format\n"
        "old.vtr: converted successfully\n"
        "packed.vtz: converted successfully");
    // Only the two converted targets, nothing temporary or partial beside
    // them: each of version 2 with every frame of its source, which is left
    // as it was.
    std::vector<std::string> written;
    for (const fs::directory_entry& entry : fs::directory_iterator(destination))
        written.push_back(entry.path().filename().string());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string> { "old.vtr", "packed.vtr" }));
    EXPECT_EQ(ProbeMovie(destination / "old.vtr"), std::make_pair(std::string("2"), 7L));
    EXPECT_EQ(ProbeMovie(destination / "packed.vtr"), std::make_pair(std::string("2"), 3L));
    EXPECT_EQ(ProbeMovie(movies / "old.vtr"), std::make_pair(std::string(""), 7L));
}

} // namespace
