#pragma once

// TFlashOptionsForm: the modal dialog "Flash Export Options". One instance,
// FlashOptionsForm, is made at start-up and reused by every Flash export:
// the run fills every control through the Set operations, shows the dialog
// and reads the controls back through the Get operations.
//
// Rules hang on the controls and run on changes made by the program too: a
// check box or radio button's rule runs on `toggled`, a number field's on
// `valueChanged`. The run sets the controls in a fixed order and relies on
// that. The arithmetic and the enabling decisions are the plain classes
// FlashScaling and flash_rules; this class only maps them onto widgets.

#include "flash/ControlBarList.h"
#include "flash/FlashScaling.h"
#include "flash/TemplateList.h"

#include <QColor>
#include <QDialog>

#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QStackedWidget;
class QWidget;
class SwfMovieReader;

class TFlashOptionsForm final : public QDialog {
    Q_OBJECT

public:
    // `controlBarFolder` holds the preinstalled control bars and their list,
    // read once here.
    explicit TFlashOptionsForm(
        QWidget* parent = nullptr, std::string controlBarFolder = vantor::ControlBarFolder());
    ~TFlashOptionsForm() override;
    TFlashOptionsForm(const TFlashOptionsForm&) = delete;
    TFlashOptionsForm& operator=(const TFlashOptionsForm&) = delete;

    // ---- Operations of the export run, in the order it calls them --------
    void SetBatchMode(bool on) { m_batchMode = on; }
    bool BatchMode() const { return m_batchMode; }
    void SetFrameRate(int movieRate, int customRate, int mode);
    // The effective rate; customRate and mode receive the choice.
    int GetFrameRate(int& customRate, int& mode) const;
    void SetFrameRateCaptions(int movieRate);
    // The frame count of the movie (1 in batch mode) and a range, -1 for none.
    void SetFrameCount(int frameCount) { m_frameCount = frameCount; }
    void SetFrameRange(int firstFrame, int lastFrame);
    void SetExportSound(bool on);
    bool GetExportSound() const;
    void SetMP3Enabled(bool available);
    // Ticks "Select Format" when `code` is in the list, else the high or low
    // quality choice by `useBest`.
    void SetSoundFormat(bool useBest, int code);
    // The code of the selected format when "Select Format" is chosen, else 0.
    int GetSoundFormat(bool& useBest) const;
    void SetSoundCompression(int format, int mp3Profile);
    int GetSoundCompression(int& mp3Profile) const;
    void SetImageQuality(int compressionLevel, int jpegQuality);
    void GetImageQuality(int& compressionLevel, int& jpegQuality) const;
    void SetColorFormat(int format, int bits);
    int GetColorFormat(int& bits) const;
    void SetStartingPlaybackMode(int mode);
    int GetStartingPlaybackMode() const;
    void SetPreviewMode(int mode);
    int GetPreviewMode() const;
    void SetSingleSwf(bool single);
    bool GetSingleSwf() const;
    void SetPreloadPercent(int percent);
    int GetPreloadPercent() const;
    // The "Playback controls" page (FlashOptionsFormControlBar.cpp).
    void SetControlBar(int type, const std::string& file);
    int GetControlBar(std::string& file) const;
    void SetControlBarPos(int mode, bool over);
    int GetControlBarPos(bool& over) const;
    void SetAddControlBar(bool on);
    bool GetAddControlBar() const;
    // The enabling rules of the page; `full` also decides the position
    // choices and "Add playback controls" from the accepted movie.
    void CheckControlBar(bool full);
    // A control-bar movie with the "Controls" instance is loaded.
    bool ControlBarAccepted() const { return m_controlBarSwf != nullptr; }
    void SetMovieSize(int width, int height);
    void SetScaleToPercents(bool percents);
    bool GetScaleToPercents() const;
    void SetScalePercent(float widthPercent, float heightPercent);
    void SetScalePixels(int width, int height);
    float GetScaleWidthPercent() const { return m_scaling.WidthPercent(); }
    float GetScaleHeightPercent() const { return m_scaling.HeightPercent(); }
    int GetScaleWidth() const { return m_scaling.WidthPixels(); }
    int GetScaleHeight() const { return m_scaling.HeightPixels(); }
    void SetFlashVersion(int version);
    int GetFlashVersion() const;
    void SetScaleMode(int mode);
    int GetScaleMode() const;
    // The "HTML template" page (FlashOptionsFormTemplates.cpp). ReloadList
    // reads the template folder again and selects `name` (ignoring case),
    // else "Default template".
    void ReloadList(const std::string& name);
    // The selected entry's text: what the settings file stores.
    std::string GetTemplate() const;
    // True when the current command must be abandoned because of unsaved
    // edits (the user chose to keep them).
    bool CheckChanged();
    void SetButtonState();
    void SetAutoscroll(int widthPercent, int heightPercent, int mode);
    int GetAutoscroll(int& widthPercent, int& heightPercent) const;
    void SetVideoOptions(int sfwType, int flvType, int keyframes, int quality, int bitrate, int qualityMode,
        QColor paddingColour);
    void GetVideoOptions(int& sfwType, int& flvType, int& keyframes, int& quality, int& bitrate,
        int& qualityMode, QColor& paddingColour) const;
    // Brings the video-quality page and everything that hangs on the kind of
    // output up to date.
    void UpdateVideoControls();
    void SetBatchScaling(bool on);
    // Run whenever the dialog is shown.
    void InitFormData(bool keepPage);

    // "&Export": the two checks, then closes with the confirm result.
    void btnExportClick();
    void ShowHelp();
    const vantor::FlashScaling& Scaling() const { return m_scaling; }

    // ---- Frame --------------------------------------------------------------
    QListWidget* lvMain = nullptr;
    QStackedWidget* PageControl1 = nullptr;
    QPushButton* btnExport = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnHelp = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* tsPlayback = nullptr;
    QWidget* tshCompression = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* tsControlBar = nullptr;
    QWidget* tshAutoscroll = nullptr;
    QWidget* tbsHtmlTemplate = nullptr;
    QWidget* tsSwfFileGeneration = nullptr;
    QWidget* TabSheet3 = nullptr;

    // ---- General --------------------------------------------------------------
    QGroupBox* gbExportFrames = nullptr;
    QRadioButton* rbWholeMovie = nullptr;
    QRadioButton* rbSelectedFrames = nullptr;
    QSpinBox* seStartFrame = nullptr;
    QSpinBox* seEndFrame = nullptr;
    QGroupBox* gbFrameRate = nullptr;
    QRadioButton* rbFullFrame = nullptr;
    QRadioButton* rb2Frame = nullptr;
    QRadioButton* rb4Frame = nullptr;
    QRadioButton* rbCustomFrame = nullptr;
    QSpinBox* CustomRate = nullptr;
    QLabel* lblFrameLimit = nullptr;
    QGroupBox* gbScaling = nullptr;
    QRadioButton* rbPercent = nullptr;
    QRadioButton* rbPixels = nullptr;
    QSpinBox* OutWidth = nullptr;
    QSpinBox* OutHeight = nullptr;
    QLabel* lblWidthUnit = nullptr;
    QLabel* lblHeightUnit = nullptr;
    QCheckBox* KeepAspect = nullptr;
    QLabel* lblPaddingNote = nullptr;
    QLabel* lblPaddingColour = nullptr;
    QLabel* shpPaddingColour = nullptr; // the padding colour, shown as a box
    QLabel* lblOutMovieSize = nullptr;

    // ---- Playback -------------------------------------------------------------
    QRadioButton* rbNoDownload = nullptr;
    QRadioButton* rbDownloadNoPlay = nullptr;
    QRadioButton* rbDownloadAndPlay = nullptr;
    QCheckBox* cbStopAtEnd = nullptr;
    QCheckBox* cbPauseByClick = nullptr;
    QCheckBox* cbShowPausedOverlay = nullptr;
    QCheckBox* chkPreviewMode = nullptr;
    QCheckBox* cbDimPreview = nullptr;
    QLabel* lblInteractiveRecommended = nullptr;
    QLabel* lblInteractiveLost = nullptr;

    // ---- Video quality -------------------------------------------------------
    QRadioButton* rbStandardSwf = nullptr;
    QRadioButton* rbFlashVideo = nullptr;
    QLabel* lblLearnTwoTypes = nullptr;
    QGroupBox* gbImageQuality = nullptr;
    QRadioButton* rbJPEG = nullptr;
    QRadioButton* rbLossless = nullptr;
    QLabel* lblJPEGQuality = nullptr;
    QSlider* tbJPEGQuality = nullptr;
    QLabel* lblJPEGQualityValue = nullptr;
    QCheckBox* cbOptimiseCompression = nullptr;
    QGroupBox* gbEncoding = nullptr;
    QRadioButton* rbH263 = nullptr;
    QRadioButton* rbScreenVideo = nullptr;
    QComboBox* cbxQualityMode = nullptr;
    QLabel* lblFLVQuality = nullptr;
    QSlider* tbFLVQuality = nullptr;
    QLabel* lblFLVQualityValue = nullptr;
    QSpinBox* sbVideoBitrate = nullptr;
    QLabel* lblBitrateUnit = nullptr;
    QGroupBox* gbKeyFrames = nullptr;
    QLineEdit* edtFLVKeyframes = nullptr;
    QLabel* lblLearnReduceSize = nullptr;
    QComboBox* cbFlashVersion = nullptr; // not shown
    QCheckBox* cbMXCompression = nullptr; // not shown

    // ---- Audio ----------------------------------------------------------------
    QCheckBox* cbSound = nullptr;
    QRadioButton* rbBestFormat = nullptr;
    QRadioButton* rbWorstFormat = nullptr;
    QRadioButton* rbSelectFormat = nullptr;
    QComboBox* cbxSoundFormat = nullptr;
    QCheckBox* cbMP3 = nullptr;
    QComboBox* cbMP3Profile = nullptr;

    // ---- Playback controls ----------------------------------------------------
    QCheckBox* cbCreateControlBar = nullptr;
    QLabel* lblAppearance = nullptr;
    QRadioButton* rbPreinstalled = nullptr;
    QComboBox* cbPreinstalled = nullptr;
    QRadioButton* rbCustom = nullptr;
    QLabel* lblCustomFile = nullptr;
    QLineEdit* edtControlBar = nullptr;
    QPushButton* btnSelectSwf = nullptr;
    QLabel* imgControlBarPreview = nullptr;
    QCheckBox* cbControlBarPosition = nullptr; // not shown
    QRadioButton* rbBarTop = nullptr;
    QRadioButton* rbBarBottom = nullptr;
    QCheckBox* cbBarOver = nullptr; // not shown
    QCheckBox* cbAutoHide = nullptr; // not shown
    QCheckBox* cbShowAutoHide = nullptr;
    QCheckBox* cbFullScreen = nullptr;
    QCheckBox* cbNoScale = nullptr;
    QCheckBox* cbVTLogo = nullptr;
    QCheckBox* cbVolumeBar = nullptr;
    QCheckBox* cbTimer = nullptr;
    QCheckBox* cbTimeline = nullptr;
    QCheckBox* cbNextPrev = nullptr;
    QLabel* lblNextPrevNote = nullptr;

    // ---- Autoscroll -----------------------------------------------------------
    QCheckBox* cbAutoscroll = nullptr;
    QRadioButton* rbMouseInCenter = nullptr;
    QRadioButton* rbMouseNearCenter = nullptr;
    QSpinBox* seAutoscrollWidth = nullptr;
    QSpinBox* seAutoscrollHeight = nullptr;
    QPushButton* btnSetVisible = nullptr;
    QLabel* lblAutoscrollNote = nullptr;

    // ---- HTML template --------------------------------------------------------
    QComboBox* cbTemplateName = nullptr;
    QPlainTextEdit* mHTML = nullptr;
    QPushButton* btnNew = nullptr;
    QPushButton* btnDelete = nullptr;
    QPushButton* btnCopy = nullptr;
    QPushButton* btnEdit = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* btnFile = nullptr;
    QLabel* lblLearnHtml = nullptr;

    // ---- SWF file generation --------------------------------------------------
    QRadioButton* rbSingleSwf = nullptr;
    QRadioButton* rbSeparateSwf = nullptr;
    QCheckBox* chkPreviewModeExternal = nullptr;
    QCheckBox* cbActionScript3 = nullptr; // shown by F3

    // ---- More -----------------------------------------------------------------
    QCheckBox* cbShowCursor = nullptr;
    QComboBox* cbxImageFormat = nullptr;
    QCheckBox* cbSecureDomain = nullptr;
    QLineEdit* edtSecureDomain = nullptr;
    QCheckBox* cbSecureCode = nullptr;
    QLineEdit* edtSecureCode = nullptr;
    QLabel* lblLearnSecurity = nullptr;
    QLineEdit* edtPreload = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Page builders (FlashOptionsFormPages.cpp).
    QWidget* BuildGeneralPage();
    QWidget* BuildPlaybackPage();
    QWidget* BuildVideoQualityPage();
    QWidget* BuildAudioPage();
    QWidget* BuildControlBarPage();
    QWidget* BuildAutoscrollPage();
    QWidget* BuildHtmlTemplatePage();
    QWidget* BuildSwfFileGenerationPage();
    QWidget* BuildMorePage();
    void ConnectRules();

    // Rules of the controls.
    void FrameRateClick();
    void ScaleUnitClick();
    void OutWidthChange(int value);
    void OutHeightChange(int value);
    void StartingPlaybackClick(QRadioButton* chosen);
    void SingleSwfClick();
    void ApplyPlaybackRules();
    void CompressionClick();
    void ApplyFlvEncoding();
    void SoundClick();
    void AddControlBarClick();
    void ControlBarPositionClick();
    void FullScreenClick();
    void AutoscrollClick();
    void SecureClick();
    void ApplyFrameLimit();
    void FrameRangeChange(QSpinBox* changed);
    void WriteSizeFields();
    void UpdateSizeLabels();
    void RefillColourDepths(bool lossless, int index);

    // Control bars (FlashOptionsFormControlBar.cpp).
    void BuildControlBarList();
    void LoadPreinstalled();
    bool LoadControlBarMovie(const std::string& path);
    // Reads `path`; the reader when it has the "Controls" instance, else
    // null after telling the user.
    std::unique_ptr<SwfMovieReader> ReadControlBarMovie(const std::string& path);
    void ShowControlBarPreview(const std::string& listedName);
    void CustomClick(bool quiet);
    void btnSelectSwfClick();
    int ControlBarHeight() const;

    // Template editor (FlashOptionsFormTemplates.cpp).
    void ConnectTemplateRules();
    void cbTemplateNameChange(int index);
    void ShowTemplate(int index);
    void SetMemoEditable(bool editable);
    void btnNewClick();
    void btnCopyClick();
    void btnEditClick();
    void btnSaveClick();
    void btnDeleteClick();
    void btnFileClick();

    bool m_batchMode = false;
    int m_movieRate = 25;
    int m_frameCount = 1;
    int m_firstFrame = -1;
    int m_lastFrame = -1;
    bool m_updating = false; // the dialog writes the size fields itself
    bool m_batchScaling = false;
    bool m_losslessShown = false; // the kind the colour-depth list holds
    vantor::FlashScaling m_scaling;
    QColor m_paddingColour = Qt::white;
    std::string m_controlBarFolder;
    std::vector<vantor::ControlBarEntry> m_defaultswfs; // the listed bars, in list order
    std::unique_ptr<SwfMovieReader> m_controlBarSwf; // the accepted bar, or null
    bool m_customQuiet = true; // "Customised" chosen by the user, not by SetControlBar
    vantor::TemplateList m_templates { std::string() }; // read by ReloadList
    bool m_templateChanged = false; // the memo was edited since loaded or saved
    int m_lastShownTemplate = -1;
    bool m_templateReadable = true; // the shown template's file could be read
    bool m_templateCrlf = true; // the shown file's line breaks
    bool m_fillingMemo = false; // the program writes the memo
};

// The single dialog, made at start-up; null before and after.
extern TFlashOptionsForm* FlashOptionsForm;
