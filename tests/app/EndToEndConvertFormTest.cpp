// The main window with the real Player engine, registered into a private
// component registry the way the program does at start-up, converting
// movies made by vtr-make: the status log, the labels and bars at the end,
// and the files written, read back with libavformat.

#include "ChildProcess.h"
#include "QtTestApplication.h"
#include "ScriptedDialogs.h"
#include "TestEnvironment.h"
#include "app/BatchRun.h"
#include "app/InitializeForm.h"
#include "app/MainForm.h"
#include "app/WindowState.h"
#include "xml/XMLSettings.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

namespace {

using namespace vantor;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Runs the event loop until `done` holds or `timeout` passes; the answer is
// `done` at the end.
bool RunEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

// What libavformat makes of a movie file.
struct Probe {
    bool opened = false;
    std::string container; // the demuxer's name
    std::string versionTag; // empty when there is none
    int width = 0;
    int height = 0;
    long videoFrames = 0; // video packets read to the end
    bool hasSound = false;
};

Probe ProbeMovie(const fs::path& path)
{
    Probe probe;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return probe;
    std::unique_ptr<AVFormatContext*, void (*)(AVFormatContext**)> closer(&format, avformat_close_input);
    if (avformat_find_stream_info(format, nullptr) < 0)
        return probe;
    probe.opened = true;
    probe.container = format->iformat->name;
    if (const AVDictionaryEntry* tag = av_dict_get(format->metadata, "VANTOR_MOVIE_VERSION", nullptr, 0))
        probe.versionTag = tag->value;
    const int video = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video < 0)
        return probe;
    probe.width = format->streams[video]->codecpar->width;
    probe.height = format->streams[video]->codecpar->height;
    probe.hasSound = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0) >= 0;
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == video)
            ++probe.videoFrames;
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    return probe;
}

std::vector<std::string> FolderContents(const fs::path& folder)
{
    std::vector<std::string> names;
    if (!fs::is_directory(folder))
        return names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class EndToEndConvertFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::TestApplication();
        for (const char* name : { "libVTPLAYERAPI.so", "regsvr32", "vtr-make" })
            ASSERT_TRUE(fs::exists(test::BinDir() / name)) << (test::BinDir() / name) << " is not built";
        setenv("VANTOR_COMPONENT_REGISTRY", m_registry.c_str(), 1);
        fs::remove(StateFile());
        fs::create_directories(m_movies);
        fs::create_directories(m_sources);
    }
    void TearDown() override
    {
        m_form.reset();
        fs::remove(StateFile());
        unsetenv("VANTOR_COMPONENT_REGISTRY");
    }

    static std::string StateFile() { return TXMLSettings::UserFilePath(kMainSettingsApplication); }

    // The window as the program's entry makes it: the engine registered from
    // the program's folder and created through the registry, the splash
    // attached, the window shown; then waits for the engine to be ready.
    void StartProgram()
    {
        TMainForm::Options options;
        options.programFolder = test::BinDir().string();
        m_form = std::make_unique<TMainForm>(options);
        ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages[0].text;
        ASSERT_TRUE(fs::exists(m_registry)) << "the engine was not registered";
        EXPECT_NE(test::ReadFile(m_registry).find((test::BinDir() / "libVTPLAYERAPI.so").string()),
            std::string::npos)
            << test::ReadFile(m_registry);
        auto* splash = new TInitializeForm(m_form.get());
        m_form->SetInitializeForm(splash);
        m_form->show();
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(m_form.get(), &activate);
        EXPECT_TRUE(splash->isVisible()); // the ready notification is still queued
        ASSERT_TRUE(RunEventsUntil([this] { return !m_form->Batch().WaitingForEngine(); }, 30s))
            << "the engine never reported that it is ready";
        EXPECT_FALSE(splash->isVisible());
    }

    // Runs until the batch loop is idle again; false on the time limit.
    bool RunUntilIdle() const
    {
        return RunEventsUntil([this] { return m_form->Batch().IsIdle(); }, 120s);
    }

    std::string StatusLog() const { return m_form->memStatus->toPlainText().toStdString(); }

    void ExpectRunTidiedUp() const
    {
        EXPECT_TRUE(m_form->Batch().IsIdle());
        EXPECT_EQ(m_form->lblExportOverall->text().toStdString(), "");
        EXPECT_EQ(m_form->lblExportDetail->text().toStdString(), "");
        EXPECT_EQ(m_form->pbExportOverall->value(), 0);
        EXPECT_EQ(m_form->pbExportDetail->value(), 0);
        EXPECT_TRUE(m_form->btnConvertFormat->isEnabled());
    }

    test::TempDir m_dir;
    const std::string m_registry = m_dir / "Components.xml";
    const fs::path m_movies = m_dir.Path() / "movies";
    const fs::path m_sources = m_dir.Path() / "sources"; // not listed
    const fs::path m_destination = m_dir.Path() / "converted movies";
    test::ScriptedDialogs dialogs;
    std::unique_ptr<TMainForm> m_form;
};

TEST_F(EndToEndConvertFormTest, ConvertsOldAndCompressedMoviesAndSkipsCurrentOnes)
{
    const fs::path current = m_movies / "current.vtr";
    const fs::path old = m_movies / "old.vtr";
    const fs::path packed = m_movies / "packed.vtz";
    const fs::path packedSource = m_sources / "packed-source.vtr";
    const fs::path& scratch = m_dir.Path();
    ASSERT_TRUE(test::MakeTinyMovie(current, scratch, { "--seconds", "0.5" }));
    ASSERT_TRUE(test::MakeTinyMovie(old, scratch, { "--old", "--seconds", "0.7" }));
    ASSERT_TRUE(test::MakeTinyMovie(packedSource, scratch, { "--seconds", "0.3", "--sound", "none" }));
    ASSERT_TRUE(test::VtrMake({ "compress", packedSource.string(), packed.string() }, scratch));

    ASSERT_NO_FATAL_FAILURE(StartProgram());
    for (const fs::path& movie : { current, old, packed })
        m_form->AddMovie(movie.string());
    m_form->edtDir->setText(QString::fromStdString(m_destination.string()));
    ASSERT_TRUE(m_form->btnConvertFormat->isEnabled());

    m_form->btnConvertFormat->click();
    EXPECT_FALSE(m_form->btnConvertFormat->isEnabled()); // a run is in progress
    ASSERT_TRUE(RunUntilIdle()) << "the run did not end; log so far:\n" << StatusLog();

    EXPECT_EQ(StatusLog(),
        "current.vtr: convert skipped, new format\n"
        "old.vtr: converted successfully\n"
        "packed.vtz: converted successfully");
    EXPECT_TRUE(dialogs.messages.empty()); // no target existed: no question
    ExpectRunTidiedUp();

    // Only the two converted targets, nothing temporary or partial beside
    // them; the skipped movie has no target.
    EXPECT_EQ(FolderContents(m_destination), (std::vector<std::string> { "old.vtr", "packed.vtr" }));
    struct Target {
        fs::path written;
        fs::path readableSource; // the source, or what the compressed one holds
    };
    const Target targets[] = {
        { m_destination / "old.vtr", old },
        { m_destination / "packed.vtr", packedSource },
    };
    for (const Target& target : targets) {
        const Probe source = ProbeMovie(target.readableSource);
        const Probe written = ProbeMovie(target.written);
        ASSERT_TRUE(source.opened) << target.readableSource;
        ASSERT_TRUE(written.opened) << target.written;
        EXPECT_NE(written.container.find("matroska"), std::string::npos) << target.written;
        EXPECT_EQ(written.versionTag, "2") << target.written;
        EXPECT_EQ(written.width, source.width) << target.written;
        EXPECT_EQ(written.height, source.height) << target.written;
        EXPECT_GT(source.videoFrames, 0) << target.readableSource;
        EXPECT_EQ(written.videoFrames, source.videoFrames) << target.written;
        EXPECT_EQ(written.hasSound, source.hasSound) << target.written;
    }
    // The sources are left as they were: the old movie is still version 1.4.
    EXPECT_EQ(ProbeMovie(old).versionTag, "");
    EXPECT_EQ(
        FolderContents(m_movies), (std::vector<std::string> { "current.vtr", "old.vtr", "packed.vtz" }));
}

TEST_F(EndToEndConvertFormTest, CancelAllDuringAConversionLeavesNoTarget)
{
    // Long enough that the copy is still going when the first progress
    // reaches the window, small enough to make quickly.
    const fs::path longMovie = m_movies / "long.vtr";
    const fs::path next = m_movies / "next.vtr";
    ASSERT_TRUE(test::MakeTinyMovie(longMovie, m_dir.Path(),
        { "--rate", "240", "--seconds", "100", "--old", "--sound", "none", "--no-cursor" }));
    ASSERT_TRUE(test::MakeTinyMovie(next, m_dir.Path(), { "--seconds", "0.3", "--old" }));

    ASSERT_NO_FATAL_FAILURE(StartProgram());
    m_form->AddMovie(longMovie.string());
    m_form->AddMovie(next.string());
    m_form->edtDir->setText(QString::fromStdString(m_destination.string()));

    // The user clicks Cancel All as soon as the detail bar has moved: the
    // click is queued behind the progress notification that moved it.
    struct AfterCancel {
        bool clicked = false;
        bool queued = false;
        std::string overall;
        std::string detail;
        RunState state = RunState::Idle;
    } after;
    const QMetaObject::Connection watch = QObject::connect(
        m_form->pbExportDetail, &QProgressBar::valueChanged, m_form.get(), [this, &after](int value) {
            if (value <= 0 || after.queued)
                return;
            after.queued = true;
            QTimer::singleShot(0, m_form.get(), [this, &after] {
                if (m_form->Batch().IsIdle() || !m_form->btnCancel->isEnabled())
                    return;
                m_form->btnCancel->click();
                after.clicked = true;
                after.overall = m_form->lblExportOverall->text().toStdString();
                after.detail = m_form->lblExportDetail->text().toStdString();
                after.state = m_form->Batch().State();
            });
        });
    m_form->btnConvertFormat->click();
    ASSERT_TRUE(RunUntilIdle()) << "the cancelled run did not end; log so far:\n" << StatusLog();
    QObject::disconnect(watch);
    ASSERT_TRUE(after.clicked) << "the conversion ended before it could be cancelled:\n" << StatusLog();
    EXPECT_EQ(after.overall, "Cancelling...");
    EXPECT_EQ(after.detail, "Cancelling...");
    EXPECT_EQ(after.state, RunState::CancelAllPending);

    EXPECT_EQ(StatusLog(),
        "long.vtr: convert cancelled\n"
        "Convert cancelled");
    ExpectRunTidiedUp();
    // The partial target went, and the next movie was never started.
    EXPECT_EQ(FolderContents(m_destination), std::vector<std::string> {});

    // The engine takes the next run as usual.
    m_form->btnConvertFormat->click();
    ASSERT_TRUE(RunUntilIdle()) << StatusLog();
    EXPECT_EQ(StatusLog(),
        "long.vtr: converted successfully\n"
        "next.vtr: converted successfully");
    EXPECT_EQ(FolderContents(m_destination), (std::vector<std::string> { "long.vtr", "next.vtr" }));
}

} // namespace
