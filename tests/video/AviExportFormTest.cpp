// "Export to AVI..." in the main window with the real engine: two movies,
// the options dialog and the codec chooser answered by a script, the AVI
// files read back with libavformat and "AVI.xml" checked key by key.

#include "ScriptedDialogs.h"
#include "TestEnvironment.h"
#include "app/BatchOutputNames.h"
#include "app/MainForm.h"
#include "app/QtTestApplication.h"
#include "app/WindowState.h"
#include "platform/CompressorManager.h"
#include "video/CVCustomICCompressorsDlg.h"
#include "video/OutputSizeForm.h"
#include "video/QtVideoCommands.h"
#include "xml/XMLSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimer>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
}

namespace {

using namespace vantor;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct AviProbe {
    std::string video; // codec name
    int width = 0;
    int height = 0;
    AVRational rate { 0, 1 };
    std::string sound;
    int sampleRate = 0;
    int channels = 0;
    int videoPackets = 0;
    int keyPackets = 0;
};

AviProbe ProbeAvi(const fs::path& path)
{
    AviProbe probe;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return probe;
    std::unique_ptr<AVFormatContext*, void (*)(AVFormatContext**)> closer(&format, avformat_close_input);
    if (avformat_find_stream_info(format, nullptr) < 0 || std::string(format->iformat->name) != "avi")
        return probe;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* stream = format->streams[i];
        const AVCodecParameters* p = stream->codecpar;
        if (p->codec_type == AVMEDIA_TYPE_VIDEO) {
            probe.video = avcodec_get_name(p->codec_id);
            probe.width = p->width;
            probe.height = p->height;
            probe.rate = stream->avg_frame_rate;
        } else if (p->codec_type == AVMEDIA_TYPE_AUDIO) {
            probe.sound = avcodec_get_name(p->codec_id);
            probe.sampleRate = p->sample_rate;
            probe.channels = p->ch_layout.nb_channels;
        }
    }
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(format, packet) >= 0) {
        if (format->streams[packet->stream_index]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            ++probe.videoPackets;
            probe.keyPackets += (packet->flags & AV_PKT_FLAG_KEY) != 0 ? 1 : 0;
        }
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    return probe;
}

class AviExportFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::TestApplication();
        for (const char* name : { "libVTPLAYERAPI.so", "regsvr32", "vtr-make" })
            ASSERT_TRUE(fs::exists(test::BinDir() / name)) << name << " is not built";
        setenv("VANTOR_COMPONENT_REGISTRY", (m_dir / "Components.xml").c_str(), 1);
        fs::remove(TXMLSettings::UserFilePath(kMainSettingsApplication));
        fs::remove(SettingsFilePath(SettingsFilePrefix(), ExportFormat::AVI));
    }
    void TearDown() override
    {
        m_form.reset();
        unsetenv("VANTOR_COMPONENT_REGISTRY");
    }

    void MakeMovie(const fs::path& path)
    {
        const std::string command = "'" + (test::BinDir() / "vtr-make").string() + "' synthetic '"
            + path.string() + "' --size 64x48 --rate 10 --seconds 1 >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }

    // The window as the program's entry makes it, ready, with `movies` listed.
    void StartWindow(const std::vector<fs::path>& movies, const fs::path& destination)
    {
        TMainForm::Options options;
        options.programFolder = test::BinDir().string();
        m_form = std::make_unique<TMainForm>(options);
        m_outputSizeForm = video::CreateVideoForms(*m_form);
        ASSERT_TRUE(test::RunEventsUntil([this] { return !m_form->Batch().WaitingForEngine(); }, 30s));
        for (const fs::path& movie : movies)
            m_form->AddMovie(movie.string());
        m_form->edtDir->setText(QString::fromStdString(destination.string()));
    }

    test::TempDir m_dir;
    test::ScriptedDialogs dialogs;
    std::unique_ptr<TMainForm> m_form;
    TOutputSizeForm* m_outputSizeForm = nullptr;
};

TEST_F(AviExportFormTest, ScriptedChoicesReachTheFilesAndTheSettings)
{
    const fs::path movies = m_dir.Path() / "movies";
    const fs::path destination = m_dir.Path() / "avi out";
    fs::create_directories(movies);
    ASSERT_NO_FATAL_FAILURE(MakeMovie(movies / "first.vtr"));
    ASSERT_NO_FATAL_FAILURE(MakeMovie(movies / "second.vtr"));

    ASSERT_NO_FATAL_FAILURE(StartWindow({ movies / "first.vtr", movies / "second.vtr" }, destination));
    TOutputSizeForm* outputSizeForm = m_outputSizeForm;

    // H.264's Configure box asked for a key frame every frame earlier.
    {
        fs::create_directories(fs::path(platform::CompressorOptionsFile()).parent_path());
        TXMLSettings codecOptions(false);
        codecOptions.SetString("H264\\g", "1");
        ASSERT_TRUE(codecOptions.SaveFile(platform::CompressorOptionsFile()));
    }

    // The user's choices, made when each dialog comes up.
    int optionsShown = 0;
    int chooserShown = 0;
    QTimer script;
    QObject::connect(&script, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == outputSizeForm && outputSizeForm->isVisible()) {
            ++optionsShown;
            EXPECT_EQ(outputSizeForm->windowTitle().toStdString(), "AVI Export Options");
            outputSizeForm->OutWidth->setValue(50);
            outputSizeForm->rb2Frame->setChecked(true);
            outputSizeForm->UseMP3Check->setChecked(false);
            outputSizeForm->rdUseExplicitFormat->setChecked(true);
            outputSizeForm->cbSoundFormat->setCurrentIndex(5); // 22.05 kHz, mono, 16-bit
            outputSizeForm->OK->click();
        } else if (auto* chooser = qobject_cast<TCVCustomICCompressorsDlg*>(modal)) {
            ++chooserShown;
            const auto found = chooser->lbxCompressors->findItems("H.264 / AVC (x264)", Qt::MatchExactly);
            ASSERT_EQ(found.size(), 1);
            chooser->lbxCompressors->setCurrentItem(found[0]);
            chooser->sbCompressionQuality->setValue(75);
            chooser->btnOk->click();
        }
    });
    script.start(10);
    m_form->btnExportAVI->click();
    script.stop();
    EXPECT_EQ(optionsShown, 1);
    EXPECT_EQ(chooserShown, 1);
    ASSERT_TRUE(test::RunEventsUntil([this] { return m_form->Batch().IsIdle(); }, 120s));
    EXPECT_EQ(m_form->memStatus->toPlainText().toStdString(),
        "first.vtr: exported successfully\nsecond.vtr: exported successfully");
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages[0].text;

    for (const char* name : { "first.avi", "second.avi" }) {
        const AviProbe probe = ProbeAvi(destination / name);
        EXPECT_EQ(probe.video, "h264") << name;
        EXPECT_EQ(probe.width, 32) << name;
        EXPECT_EQ(probe.height, 24) << name;
        EXPECT_EQ(probe.rate.num, 5) << name;
        EXPECT_EQ(probe.rate.den, 1) << name;
        EXPECT_EQ(probe.sound, "pcm_s16le") << name;
        EXPECT_EQ(probe.sampleRate, 22050) << name;
        EXPECT_EQ(probe.channels, 1) << name;
        EXPECT_EQ(probe.videoPackets, 5) << name;
        EXPECT_EQ(probe.keyPackets, 5) << name;
    }

    TXMLSettings saved(false);
    ASSERT_TRUE(saved.ReadXMLSettingsFile(SettingsFilePath(m_form->SettingsFilePrefix(), ExportFormat::AVI)));
    struct IntegerKey {
        const char* key;
        int value;
    };
    const IntegerKey integers[] = { { "VideoCodecId", 0x34363248 }, { "VideoCodecKeyFrameRate", -1 },
        { "VideoCodecQuality", 7500 }, { "FrameRateCustom", 24 }, { "FrameRateMode", 1 },
        { "OutputSizeWidth", 0 }, { "OutputSizeHeight", 0 }, { "SoundFormat", 0x40 },
        { "SoundCompressFormat", 1 }, { "SoundMP3Profile", 0 }, { "AutoscrollMode", 0 },
        { "AutoscrollWidth", 10 }, { "AutoscrollHeight", 10 } };
    for (const IntegerKey& k : integers)
        EXPECT_EQ(saved.GetInteger(k.key, -12345), k.value) << k.key;
    EXPECT_EQ(saved.GetFloat("OutputSizeWidthPercent", -1), 50.0);
    EXPECT_EQ(saved.GetFloat("OutputSizeHeightPercent", -1), 50.0);
    struct BoolKey {
        const char* key;
        bool value;
    };
    const BoolKey booleans[] = { { "OutputSizeKeepAspectRatio", true }, { "UseBestSoundFormat", true },
        { "UseOldAVIFormat", false }, { "ExportSounds", true }, { "ScaleToPercents", true } };
    for (const BoolKey& k : booleans)
        EXPECT_EQ(saved.GetBool(k.key, !k.value), k.value) << k.key;
}

TEST_F(AviExportFormTest, CancelInTheCodecChooserSavesNothingAndStartsNothing)
{
    const fs::path movie = m_dir.Path() / "first.vtr";
    const fs::path destination = m_dir.Path() / "out";
    ASSERT_NO_FATAL_FAILURE(MakeMovie(movie));
    test::WriteFile(destination / "first.avi", "an older export");
    ASSERT_NO_FATAL_FAILURE(StartWindow({ movie }, destination));
    dialogs.messageAnswers.push_back(platform::IDYES);

    QTimer script;
    QObject::connect(&script, &QTimer::timeout, [this] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == m_outputSizeForm && m_outputSizeForm->isVisible())
            m_outputSizeForm->OK->click();
        else if (auto* chooser = qobject_cast<TCVCustomICCompressorsDlg*>(modal))
            chooser->btnCancel->click();
    });
    script.start(10);
    m_form->btnExportAVI->click();
    script.stop();

    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].flags, platform::MB_YESNO | platform::MB_ICONWARNING);
    // The old output went before the dialogs; nothing else happened.
    EXPECT_FALSE(fs::exists(destination / "first.avi"));
    EXPECT_FALSE(fs::exists(SettingsFilePath(m_form->SettingsFilePrefix(), ExportFormat::AVI)));
    EXPECT_TRUE(m_form->Batch().IsIdle());
    EXPECT_EQ(m_form->memStatus->toPlainText().toStdString(), "");
}

} // namespace
