#pragma once

// The AVI and QuickTime options dialog. One instance lives for the whole
// program; the AVI and QuickTime commands switch it into their mode, fill it
// through the Set operations, show it and read it back through the Get
// operations. It never reads or writes a settings file itself. The scale
// arithmetic and limits are OutputSizeRules'; the form shows what they say.

#include "video/OutputSizeRules.h"
#include "video/QtOutputSizeControls.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTabWidget;
class QWidget;

class TOutputSizeForm final : public TOutputSizeControls {
    Q_OBJECT

public:
    explicit TOutputSizeForm(QWidget* parent = nullptr);
    ~TOutputSizeForm() override;
    TOutputSizeForm(const TOutputSizeForm&) = delete;
    TOutputSizeForm& operator=(const TOutputSizeForm&) = delete;

    // Set by the drivers on every use.
    bool QuickTimeMode = false;

    void SetMP3Enabled(bool available);
    // 85 (MP3) or 1 (PCM); `profile` gets the LAME preset.
    int GetSoundCompression(int* profile) const;
    void SetDataRate(int type, int rate, int maxRate, int minRate);
    void GetDataRate(int* type, int* rate, int* maxRate, int* minRate) const;
    static int ProfileToIndex(int profile) { return vantor::video::ProfileToIndex(profile); }
    static int IndexToProfile(int index) { return vantor::video::IndexToProfile(index); }
    // The visible movie size that btnGetFromCropRect copies (no driver
    // sets it; both hide the button).
    void SetVisibleSize(int width, int height);

    // Pages.
    QTabWidget* PageControl = nullptr;
    QWidget* tsGeneral = nullptr;
    QWidget* tsFrameRate = nullptr;
    QWidget* tsQT = nullptr;
    QWidget* tsAudio = nullptr;
    QWidget* tsAutoscroll = nullptr;
    QWidget* tsControlBar = nullptr;
    QWidget* tsMore = nullptr;

    // General.
    QRadioButton* rbExportMovie = nullptr;
    QGroupBox* gbScaling = nullptr;
    QLabel* lblQTNote = nullptr;
    QWidget* pnlScaling = nullptr;

    // Frame Rate.
    QGroupBox* GroupBox2 = nullptr;
    QGroupBox* gbKeyframes = nullptr;
    QLineEdit* edtKeyFrame = nullptr;
    QLabel* Label3 = nullptr;
    QCheckBox* cbExportUseGroups = nullptr;

    // Video Quality (QuickTime).
    QSlider* tbQuality = nullptr;
    QLabel* lblPercent = nullptr;
    QLabel* lbQuality = nullptr;
    QLabel* lbLowest = nullptr;
    QLabel* lbHighest = nullptr;
    QWidget* panQTMode = nullptr;
    QRadioButton* rbSinglePass = nullptr;
    QRadioButton* rbMultiPass = nullptr;
    QCheckBox* cbFlattenMovie = nullptr;
    QWidget* panFLVMode = nullptr;
    QRadioButton* rbH263 = nullptr;
    QRadioButton* rbScreenVideo = nullptr;
    QGroupBox* gbDateRate = nullptr;
    QRadioButton* rbRateAuto = nullptr;
    QRadioButton* rbRateAverage = nullptr;
    QRadioButton* rbRateManual = nullptr;
    QLineEdit* edtDateRate = nullptr;
    QLineEdit* edtDateRateMax = nullptr;
    QLineEdit* edtDateRateMin = nullptr;
    QLabel* lbKB1 = nullptr;
    QLabel* lbKB2 = nullptr;
    QLabel* lbKB3 = nullptr;
    QLabel* lbMAXRate = nullptr;
    QLabel* lbMINRate = nullptr;

    // Audio.
    QCheckBox* cbSound = nullptr;
    QRadioButton* rdUseBestFormat = nullptr;
    QRadioButton* rdUseWorstFormat = nullptr;
    QRadioButton* rdUseExplicitFormat = nullptr;
    QComboBox* cbSoundFormat = nullptr;
    QCheckBox* UseMP3Check = nullptr;
    QComboBox* cbMP3Profile = nullptr;

    // Autoscroll.

    // Flash (the tab is hidden).
    QCheckBox* cbCreateControlBar = nullptr;
    QGroupBox* gbAlignV = nullptr;
    QGroupBox* gbAlignH = nullptr;
    QRadioButton* rbAlignTop = nullptr;
    QRadioButton* rbAlignVCenter = nullptr;
    QRadioButton* rbAlignBottom = nullptr;
    QRadioButton* rbAlignLeft = nullptr;
    QRadioButton* rbAlignHCenter = nullptr;
    QRadioButton* rbAlignRight = nullptr;
    QCheckBox* cbAutoHide = nullptr;
    QLineEdit* edtPrebuffer = nullptr;

    // More.
    QCheckBox* cbUseAVI10Format = nullptr;
    QLabel* lblUseAVI10Format = nullptr;
    QCheckBox* cbHighlightMouseClicks = nullptr;

    QPushButton* OK = nullptr;
    QPushButton* Cancel = nullptr;
    QPushButton* HelpBtn = nullptr;

    // Event handlers, by the design's names.
    void btnGetFromCropRectClick();
    void cbSoundClick();
    void rdSoundFormatClick();
    void UpdateMP3Controls();
    void UpdateQuickTimeControls();
    void tbQualityChange();
    void lblUseAVI10FormatClick();
    void cbExportUseGroupsClick();
    void HelpBtnClick();

protected:
    bool QuickTimeScaling() const override { return QuickTimeMode; }
    void showEvent(QShowEvent* event) override; // FormShow
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildPages();
    QWidget* BuildGeneralPage();
    QWidget* BuildFrameRatePage();
    QWidget* BuildQualityPage();
    QWidget* BuildAudioPage();
    QWidget* BuildAutoscrollPage();
    QWidget* BuildControlBarPage();
    QWidget* BuildMorePage();
    void Connect();
    void FormShow();

    int m_visibleWidth = 0;
    int m_visibleHeight = 0;
};
