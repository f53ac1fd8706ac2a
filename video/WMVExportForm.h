#pragma once

// The WMV options dialog. One instance lives for the whole program; its
// constructor fills the codec lists from the Windows Media codec catalogue
// once. The WMV command fills it through the Set operations, shows it and
// reads it back through the Get operations. Its heart is the cascade that
// keeps the VBR, pass, audio format and quality/bit-rate choices consistent
// with the formats of the selected codecs. The scaling, frame-rate and
// autoscroll logic is OutputSizeRules' in its WMV variant.

#include "video/BlockList.h"
#include "video/OutputSizeRules.h"
#include "video/QtOutputSizeControls.h"
#include "video/WMVCatalogue.h"
#include "video/WMVExportFormRules.h"
#include "video/WMVExportLibrary.h"

#include <QDialog>

#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QWidget;

class TWMVExportForm final : public TOutputSizeControls, public vantor::IWMVCatalogueSink {
    Q_OBJECT

public:
    // `library`: the export library whose catalogue fills the codec lists;
    // null when Windows Media export is unavailable (the lists stay empty).
    explicit TWMVExportForm(const vantor::WMVExportFunctions* library, QWidget* parent = nullptr);
    // The loaded export library, or null when IsWMVExportAvailable says no.
    static const vantor::WMVExportFunctions* AvailableLibrary();
    // Clears both format lists.
    ~TWMVExportForm() override;
    TWMVExportForm(const TWMVExportForm&) = delete;
    TWMVExportForm& operator=(const TWMVExportForm&) = delete;

    // The catalogue's callbacks fill these.
    void AddVideoCodec(const std::string& name, int id) override;
    void AddAudioCodec(const std::string& name, int id) override;
    vantor::TBlockList& VideoFormatList() override { return m_videoFormats; }
    vantor::TBlockList& AudioFormatList() override { return m_audioFormats; }

    // The codec and its format; bit rate in bits per second.
    void SetVideoFormat(int codecId, int vbr, int passes, int bitrate, int quality);
    void GetVideoFormat(int* codecId, int* vbr, int* passes, int* bitrate, int* quality) const;
    void SetAudioFormat(int codecId, int formatId, int vbr, int passes);
    // Format id, VBR and passes keep their values when no format matches
    // the selection.
    void GetAudioFormat(int* codecId, int* formatId, int* vbr, int* passes) const;

    void SetMaxOutputSize(int width, int height);

    QTabWidget* PageControl = nullptr;
    QWidget* tsGeneral = nullptr;
    QWidget* tsVideo = nullptr;
    QWidget* thVideoCodec = nullptr;
    QWidget* tsAudio = nullptr;
    QWidget* tsAutoscroll = nullptr;
    QWidget* tsMore = nullptr;

    // General.
    QRadioButton* rbExportMovie = nullptr;
    QGroupBox* gbScaling = nullptr;

    // Video.
    QGroupBox* GroupBox2 = nullptr;

    // Video Quality.
    QComboBox* cbVideoCodec = nullptr;
    QSpinBox* sbVideoQuality = nullptr;
    QComboBox* cbVideoNumPasses = nullptr;
    QCheckBox* cbxVideoVBR = nullptr;
    QLabel* lblVideoBitrate = nullptr;
    QSpinBox* sbVideoBitrate = nullptr; // kbit/s
    QLabel* lblVideoBitrate2 = nullptr;
    QLabel* lblVideoQuality = nullptr;
    QLabel* lbVideoNumPasses = nullptr;

    // Audio.
    QCheckBox* cbSound = nullptr;
    QComboBox* cbAudioCodec = nullptr;
    QComboBox* cbAudioFormat = nullptr;
    QComboBox* cbAudioNumPasses = nullptr;
    QCheckBox* cbxAudioVBR = nullptr;
    QLabel* lblAudioQualityBitrate = nullptr;
    QComboBox* cbAudioQualityBitrate = nullptr;

    // Autoscroll.

    QPushButton* OK = nullptr;
    QPushButton* Cancel = nullptr;
    QPushButton* HelpBtn = nullptr;

    // Event handlers, by the design's names. `user` tells a selection by
    // the user (level 0) from a programmatic one (level -1).
    void cbVideoCodecSelect(bool user);
    void cbAudioCodecSelect(bool user);
    // Each stage runs when `level` is below its number: a lower level
    // refreshes more.
    void UpdateVideoSettings(int level);
    void UpdateAudioSettings(int level);
    void cbSoundClick();
    void HelpBtnClick();

protected:
    void showEvent(QShowEvent* event) override; // FormShow

private:
    void BuildPages();
    QWidget* BuildGeneralPage();
    QWidget* BuildVideoPage();
    QWidget* BuildQualityPage();
    QWidget* BuildAudioPage();
    QWidget* BuildAutoscrollPage();
    QWidget* BuildMorePage();
    void Connect();
    void FillCodecLists();
    void FormShow();
    // The (kHz, channels) object of the selected audio format item.
    std::optional<int> SelectedAudioFormat() const;
    std::vector<vantor::video::WmvFormat> VideoFormats() const;
    std::vector<vantor::video::WmvFormat> AudioFormats() const;

    // The first audio record matching the selection, or null.
    const vantor::AudioFormatRecord* SelectedAudioRecord() const;

    const vantor::WMVExportFunctions* m_library;
    // Mutable: a read moves the lists' position cache.
    mutable vantor::TBlockList m_videoFormats { 1 };
    mutable vantor::TBlockList m_audioFormats { 1 };
};
