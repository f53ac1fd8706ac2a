#include "flash/FlashOptionsForm.h"

#include "flash/FlashExportSettings.h"
#include "flash/FlashOptionsRules.h"
#include "flash/swf/SwfMovieReader.h"

#include "app/StringTable.h"
#include "platform/Dialogs.h"
#include "strings/StringIds.h"
#include "support/HelpLauncher.h"
#include "support/Trace.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

using namespace vantor;
using namespace vantor::flash_rules;

TFlashOptionsForm* FlashOptionsForm = nullptr;

namespace {

constexpr int kMaxPixelField = 9999;

QString Text(int id)
{
    return QString::fromStdString(LoadStr(id));
}

// Writes a control without running its rule.
template <typename T, typename F> void Quietly(T* widget, F&& write)
{
    const bool blocked = widget->blockSignals(true);
    write();
    widget->blockSignals(blocked);
}

} // namespace

TFlashOptionsForm::TFlashOptionsForm(QWidget* parent, std::string controlBarFolder)
    : QDialog(parent)
    , m_controlBarFolder(std::move(controlBarFolder))
{
    setObjectName(QStringLiteral("FlashOptionsForm"));
    setWindowTitle(Text(str::kFlashOptionsCaption));

    lvMain = new QListWidget(this);
    lvMain->setObjectName(QStringLiteral("lvMain"));
    for (int id : { str::kPageGeneral, str::kPagePlayback, str::kPageVideoQualityEntry, str::kPageAudio,
             str::kPagePlaybackControls, str::kPageAutoscroll, str::kPageHtmlTemplate,
             str::kPageSwfFileGeneration, str::kPageMore })
        lvMain->addItem(Text(id));
    lvMain->setFixedWidth(170);

    // A page control without tabs: the list chooses the page.
    PageControl1 = new QStackedWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->addWidget(BuildGeneralPage());
    PageControl1->addWidget(BuildPlaybackPage());
    PageControl1->addWidget(BuildVideoQualityPage());
    PageControl1->addWidget(BuildAudioPage());
    PageControl1->addWidget(BuildControlBarPage());
    PageControl1->addWidget(BuildAutoscrollPage());
    PageControl1->addWidget(BuildHtmlTemplatePage());
    PageControl1->addWidget(BuildSwfFileGenerationPage());
    PageControl1->addWidget(BuildMorePage());
    const int pageCaptions[] = { str::kPageGeneral, str::kPagePlayback, str::kPageVideoQualityFlash,
        str::kPageAudio, str::kPagePlaybackControls, str::kPageAutoscroll, str::kPageHtmlTemplate,
        str::kPageSwfFileGeneration, str::kPageMore };
    for (int i = 0; i < kPageCount; ++i)
        PageControl1->widget(i)->setWindowTitle(Text(pageCaptions[i]));

    btnExport = new QPushButton(Text(str::kFlashExportButton), this);
    btnExport->setObjectName(QStringLiteral("btnExport"));
    btnExport->setDefault(true);
    btnCancel = new QPushButton(Text(str::kFlashCancelButton), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnHelp = new QPushButton(Text(str::kFlashHelpButton), this);
    btnHelp->setObjectName(QStringLiteral("btnHelp"));

    auto* top = new QHBoxLayout;
    top->addWidget(lvMain);
    top->addWidget(PageControl1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnExport);
    buttons->addWidget(btnCancel);
    buttons->addWidget(btnHelp);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);

    RefillColourDepths(false, 1);
    SetFrameRateCaptions(m_movieRate);
    ConnectRules();
    BuildControlBarList();
    ReloadList({});
    lvMain->setCurrentRow(0);
    UpdateVideoControls();
    WriteSizeFields();
    resize(640, 520);
}

TFlashOptionsForm::~TFlashOptionsForm() = default;

void TFlashOptionsForm::ConnectRules()
{
    connect(lvMain, &QListWidget::currentRowChanged, PageControl1, &QStackedWidget::setCurrentIndex);
    connect(btnExport, &QPushButton::clicked, this, &TFlashOptionsForm::btnExportClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnHelp, &QPushButton::clicked, this, &TFlashOptionsForm::ShowHelp);

    for (QRadioButton* button : { rbFullFrame, rb2Frame, rb4Frame, rbCustomFrame })
        connect(button, &QRadioButton::toggled, this, &TFlashOptionsForm::FrameRateClick);
    connect(seStartFrame, &QSpinBox::valueChanged, this, [this] { FrameRangeChange(seStartFrame); });
    connect(seEndFrame, &QSpinBox::valueChanged, this, [this] { FrameRangeChange(seEndFrame); });
    connect(rbSelectedFrames, &QRadioButton::toggled, this, &TFlashOptionsForm::ApplyFrameLimit);
    connect(rbPixels, &QRadioButton::toggled, this, &TFlashOptionsForm::ScaleUnitClick);
    connect(OutWidth, &QSpinBox::valueChanged, this, &TFlashOptionsForm::OutWidthChange);
    connect(OutHeight, &QSpinBox::valueChanged, this, &TFlashOptionsForm::OutHeightChange);

    for (QRadioButton* button : { rbNoDownload, rbDownloadNoPlay, rbDownloadAndPlay })
        connect(button, &QRadioButton::toggled, this, [this, button](bool on) {
            if (on)
                StartingPlaybackClick(button);
        });
    connect(chkPreviewMode, &QCheckBox::toggled, this, &TFlashOptionsForm::ApplyPlaybackRules);
    connect(chkPreviewModeExternal, &QCheckBox::toggled, this, &TFlashOptionsForm::ApplyPlaybackRules);
    connect(rbSingleSwf, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            SingleSwfClick();
    });
    connect(rbSeparateSwf, &QRadioButton::toggled, this, [this](bool on) {
        if (!on)
            return;
        LoadPreinstalled();
        ApplyPlaybackRules();
    });

    connect(rbFlashVideo, &QRadioButton::toggled, this, &TFlashOptionsForm::UpdateVideoControls);
    connect(rbLossless, &QRadioButton::toggled, this, &TFlashOptionsForm::CompressionClick);
    connect(tbJPEGQuality, &QSlider::valueChanged, this,
        [this](int value) { lblJPEGQualityValue->setText(QString::number(value) + QLatin1Char('%')); });
    connect(rbScreenVideo, &QRadioButton::toggled, this, &TFlashOptionsForm::ApplyFlvEncoding);
    connect(cbxQualityMode, &QComboBox::activated, this, &TFlashOptionsForm::ApplyFlvEncoding);
    connect(tbFLVQuality, &QSlider::valueChanged, this, [this](int value) {
        lblFLVQualityValue->setText(QString::fromStdString(
            PercentOfRangeText(value, tbFLVQuality->minimum(), tbFLVQuality->maximum())));
    });

    connect(cbSound, &QCheckBox::toggled, this, &TFlashOptionsForm::SoundClick);
    connect(rbSelectFormat, &QRadioButton::toggled, this, &TFlashOptionsForm::SoundClick);
    connect(cbMP3, &QCheckBox::toggled, this, &TFlashOptionsForm::SoundClick);

    connect(cbCreateControlBar, &QCheckBox::toggled, this, &TFlashOptionsForm::AddControlBarClick);
    connect(cbControlBarPosition, &QCheckBox::toggled, this, &TFlashOptionsForm::ControlBarPositionClick);
    connect(cbBarOver, &QCheckBox::toggled, this, &TFlashOptionsForm::UpdateSizeLabels);
    connect(rbPreinstalled, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            LoadPreinstalled();
    });
    connect(cbPreinstalled, &QComboBox::activated, this, &TFlashOptionsForm::LoadPreinstalled);
    connect(rbCustom, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            CustomClick(m_customQuiet);
    });
    connect(btnSelectSwf, &QPushButton::clicked, this, &TFlashOptionsForm::btnSelectSwfClick);
    connect(cbFullScreen, &QCheckBox::toggled, this, &TFlashOptionsForm::FullScreenClick);

    connect(cbAutoscroll, &QCheckBox::toggled, this, &TFlashOptionsForm::AutoscrollClick);
    connect(seAutoscrollWidth, &QSpinBox::valueChanged, this, &TFlashOptionsForm::UpdateSizeLabels);
    connect(seAutoscrollHeight, &QSpinBox::valueChanged, this, &TFlashOptionsForm::UpdateSizeLabels);

    connect(cbSecureDomain, &QCheckBox::toggled, this, &TFlashOptionsForm::SecureClick);
    connect(cbSecureCode, &QCheckBox::toggled, this, &TFlashOptionsForm::SecureClick);
    ConnectTemplateRules();
}

// ---- Rules ------------------------------------------------------------------

void TFlashOptionsForm::FrameRateClick()
{
    CustomRate->setEnabled(rbCustomFrame->isChecked());
}

// Start and End of a range stay in order and within one movie length of
// each other; the field not being changed follows.
void TFlashOptionsForm::FrameRangeChange(QSpinBox* changed)
{
    const int start = seStartFrame->value();
    const int end = seEndFrame->value();
    if (changed == seStartFrame)
        seEndFrame->setValue(std::clamp(end, start, start + m_frameCount - 1));
    else
        seStartFrame->setValue(std::clamp(start, end - m_frameCount + 1, end));
    ApplyFrameLimit();
}

void TFlashOptionsForm::ScaleUnitClick()
{
    const bool pixels = rbPixels->isChecked();
    m_scaling.SetPixelMode(pixels);
    const QString unit = Text(pixels ? str::kScalePixelUnit : str::kScalePercent);
    m_updating = true; // a narrower range must not count as a change
    OutWidth->setMaximum(pixels ? kMaxPixelField : FlashScaling::kMaxPercentField);
    OutHeight->setMaximum(pixels ? kMaxPixelField : FlashScaling::kMaxPercentField);
    m_updating = false;
    lblWidthUnit->setText(unit);
    lblHeightUnit->setText(unit);
    // Movies of a batch differ in size: one pixel size cannot keep them all.
    const bool batchPixels = m_batchMode && pixels;
    if (batchPixels)
        KeepAspect->setChecked(false);
    KeepAspect->setEnabled(!batchPixels);
    WriteSizeFields();
}

void TFlashOptionsForm::OutWidthChange(int value)
{
    if (m_updating)
        return;
    if (m_scaling.WidthFieldChanged(value, KeepAspect->isChecked()))
        WriteSizeFields();
    UpdateSizeLabels();
}

void TFlashOptionsForm::OutHeightChange(int value)
{
    if (m_updating)
        return;
    if (m_scaling.HeightFieldChanged(value, KeepAspect->isChecked()))
        WriteSizeFields();
    UpdateSizeLabels();
}

void TFlashOptionsForm::WriteSizeFields()
{
    m_updating = true;
    OutWidth->setValue(m_scaling.WidthField());
    OutHeight->setValue(m_scaling.HeightField());
    m_updating = false;
    UpdateSizeLabels();
}

void TFlashOptionsForm::UpdateSizeLabels()
{
    m_scaling.SetControlBarHeight(ControlBarHeight());
    lblOutMovieSize->setText(QString::fromStdString(m_scaling.SizeLabel()));
    lblAutoscrollNote->setText(QString::fromStdString(
        m_scaling.AutoscrollNote(seAutoscrollWidth->value(), seAutoscrollHeight->value())));
}

void TFlashOptionsForm::StartingPlaybackClick(QRadioButton* chosen)
{
    if (chosen == rbNoDownload
        && NoDownloadForcesSeparate(rbSingleSwf->isChecked(), rbFlashVideo->isChecked()))
        rbSeparateSwf->setChecked(true);
    ApplyPlaybackRules();
}

void TFlashOptionsForm::SingleSwfClick()
{
    // A single file holds a preinstalled control bar only, in its single
    // variant: choosing the kind loads it, else the bar is loaded again.
    if (rbPreinstalled->isChecked())
        LoadPreinstalled();
    else
        rbPreinstalled->setChecked(true);
    if (rbNoDownload->isChecked())
        rbDownloadNoPlay->setChecked(true);
    ApplyPlaybackRules();
}

void TFlashOptionsForm::ApplyPlaybackRules()
{
    const PlaybackStates states = DecidePlayback({ rbNoDownload->isChecked(), rbSingleSwf->isChecked(),
        rbFlashVideo->isChecked(), chkPreviewMode->isChecked(), chkPreviewModeExternal->isChecked() });
    chkPreviewMode->setEnabled(states.showPreviewEnabled);
    chkPreviewModeExternal->setEnabled(states.separatePreviewEnabled);
    cbDimPreview->setEnabled(states.dimPreviewEnabled);
    rbSingleSwf->setEnabled(states.singleSeparateEnabled);
    rbSeparateSwf->setEnabled(states.singleSeparateEnabled);
    cbActionScript3->setEnabled(states.actionScript3Enabled);
    // Unticking runs this rule again; it changes nothing more then.
    if (chkPreviewMode->isChecked() != states.showPreviewTicked)
        chkPreviewMode->setChecked(states.showPreviewTicked);
    if (chkPreviewModeExternal->isChecked() != states.separatePreviewTicked)
        chkPreviewModeExternal->setChecked(states.separatePreviewTicked);
}

void TFlashOptionsForm::RefillColourDepths(bool lossless, int index)
{
    Quietly(cbxImageFormat, [&] {
        cbxImageFormat->clear();
        for (int id : ColourDepthEntries(lossless))
            cbxImageFormat->addItem(Text(id));
        cbxImageFormat->setCurrentIndex(index);
    });
    m_losslessShown = lossless;
}

void TFlashOptionsForm::CompressionClick()
{
    const bool lossless = rbLossless->isChecked();
    for (QWidget* widget : std::initializer_list<QWidget*> {
             tbJPEGQuality, lblJPEGQuality, lblJPEGQualityValue, cbOptimiseCompression })
        widget->setEnabled(!lossless);
    if (lossless != m_losslessShown)
        RefillColourDepths(lossless, ColourDepthAfterSwitch(cbxImageFormat->currentIndex(), lossless));
}

void TFlashOptionsForm::ApplyFlvEncoding()
{
    const FlvEncodingStates states = DecideFlvEncoding(rbH263->isChecked(), cbxQualityMode->currentIndex());
    cbxQualityMode->setEnabled(states.modeListEnabled);
    tbFLVQuality->setEnabled(states.qualityEnabled);
    lblFLVQuality->setEnabled(states.qualityEnabled);
    lblFLVQualityValue->setEnabled(states.qualityEnabled);
    tbFLVQuality->setVisible(states.qualityVisible);
    lblFLVQuality->setVisible(states.qualityVisible);
    lblFLVQualityValue->setVisible(states.qualityVisible);
    sbVideoBitrate->setVisible(states.bitrateVisible);
    lblBitrateUnit->setVisible(states.bitrateVisible);
    sbVideoBitrate->setEnabled(states.bitrateEnabled);
}

void TFlashOptionsForm::UpdateVideoControls()
{
    const bool flashVideo = rbFlashVideo->isChecked();
    gbImageQuality->setVisible(!flashVideo);
    gbEncoding->setVisible(flashVideo);
    gbKeyFrames->setVisible(flashVideo);
    lblNextPrevNote->setVisible(flashVideo);
    cbNextPrev->setEnabled(!flashVideo && cbCreateControlBar->isChecked());
    if (flashVideo)
        rbSeparateSwf->setChecked(true);
    CustomRate->setMaximum(CustomRateMaximum(flashVideo, m_movieRate));
    m_scaling.SetFlashVideo(flashVideo);
    lblPaddingNote->setVisible(flashVideo);
    lblPaddingColour->setVisible(flashVideo);
    shpPaddingColour->setVisible(flashVideo);
    shpPaddingColour->setStyleSheet(QStringLiteral("background-color: %1").arg(m_paddingColour.name()));
    cbFlashVersion->setCurrentIndex(cbFlashVersion->count() - 1);
    CompressionClick();
    ApplyFlvEncoding();
    FullScreenClick();
    ApplyPlaybackRules();
    UpdateSizeLabels();
}

void TFlashOptionsForm::SoundClick()
{
    const AudioStates states
        = DecideAudio(cbSound->isChecked(), rbSelectFormat->isChecked(), cbMP3->isChecked());
    for (QRadioButton* button : { rbBestFormat, rbWorstFormat, rbSelectFormat })
        button->setEnabled(states.formatChoicesEnabled);
    cbxSoundFormat->setEnabled(states.formatListEnabled);
    cbMP3->setEnabled(states.mp3CheckEnabled);
    cbMP3Profile->setEnabled(states.mp3ListEnabled);
    cbVolumeBar->setEnabled(states.volumeBarEnabled);
    if (states.untickVolumeBar)
        cbVolumeBar->setChecked(false);
}

void TFlashOptionsForm::AddControlBarClick()
{
    const bool add = cbCreateControlBar->isChecked();
    for (QWidget* widget : std::initializer_list<QWidget*> { lblAppearance, rbPreinstalled, rbCustom,
             cbPreinstalled, lblCustomFile, edtControlBar, btnSelectSwf, cbControlBarPosition, cbAutoHide,
             cbShowAutoHide, cbFullScreen, cbNoScale, cbVTLogo, cbVolumeBar, cbTimer, cbTimeline, cbNextPrev,
             lblNextPrevNote, cbShowPausedOverlay, cbPauseByClick })
        widget->setEnabled(add);
    ControlBarPositionClick();
    CheckControlBar(false);
    UpdateVideoControls();
}

void TFlashOptionsForm::ControlBarPositionClick()
{
    const bool on = cbControlBarPosition->isChecked() && cbControlBarPosition->isEnabled();
    rbBarTop->setEnabled(on);
    rbBarBottom->setEnabled(on);
    cbBarOver->setEnabled(on);
    UpdateSizeLabels();
}

void TFlashOptionsForm::FullScreenClick()
{
    cbNoScale->setEnabled(cbFullScreen->isChecked() && cbFullScreen->isEnabled());
}

void TFlashOptionsForm::AutoscrollClick()
{
    const bool on = cbAutoscroll->isChecked();
    for (QWidget* widget : std::initializer_list<QWidget*> {
             rbMouseInCenter, rbMouseNearCenter, seAutoscrollWidth, seAutoscrollHeight, btnSetVisible })
        widget->setEnabled(on);
}

void TFlashOptionsForm::SecureClick()
{
    edtSecureDomain->setEnabled(cbSecureDomain->isChecked());
    edtSecureCode->setEnabled(cbSecureCode->isChecked());
}

// ---- Showing, confirming, help ---------------------------------------------

void TFlashOptionsForm::InitFormData(bool keepPage)
{
    TraceMethod trace("TFlashOptionsForm::InitFormData");
    if (!keepPage)
        lvMain->setCurrentRow(kPageGeneral);
    PageControl1->setCurrentIndex(lvMain->currentRow());
    FrameRateClick();
    AutoscrollClick();
    SoundClick();

    const bool range = m_firstFrame != -1;
    gbExportFrames->setVisible(range);
    if (range) {
        seStartFrame->setMaximum(m_frameCount - 1);
        seEndFrame->setMaximum(m_frameCount - 1);
        if (m_firstFrame == m_lastFrame) {
            rbWholeMovie->setChecked(true);
            seStartFrame->setValue(0);
            seEndFrame->setValue(m_frameCount - 1);
        } else {
            rbSelectedFrames->setChecked(true);
            seStartFrame->setValue(m_firstFrame);
            seEndFrame->setValue(m_lastFrame);
        }
    } else {
        rbWholeMovie->setChecked(true);
    }
    ApplyFrameLimit();
    ApplyPlaybackRules();
    UpdateSizeLabels();
}

void TFlashOptionsForm::ApplyFrameLimit()
{
    const int frames = FramesToExport(
        m_frameCount, rbSelectedFrames->isChecked(), seStartFrame->value(), seEndFrame->value());
    const int highest = HighestUsableRate(m_movieRate, frames);
    rbWholeMovie->setEnabled(highest >= 1);
    const bool limited = rbStandardSwf->isChecked() && frames > kSwfFrameLimit;
    for (QRadioButton* button : { rbFullFrame, rb2Frame, rb4Frame })
        button->setEnabled(!limited);
    lblFrameLimit->setVisible(limited);
    if (limited) {
        CustomRate->setValue(highest);
        rbCustomFrame->setChecked(true);
    }
    if (highest == 0) {
        rbFlashVideo->setChecked(true);
        rbStandardSwf->setEnabled(false);
        lblFrameLimit->setText(Text(str::kFlashSwfDisabledFrameLimit));
        lblFrameLimit->show();
    } else {
        rbStandardSwf->setEnabled(true);
        lblFrameLimit->setText(Text(str::kFlashFrameLimitRate));
    }
}

void TFlashOptionsForm::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        InitFormData(false);
    QDialog::showEvent(event);
}

void TFlashOptionsForm::btnExportClick()
{
    TraceMethod trace("TFlashOptionsForm::btnExportClick");
    const ConfirmResult result = CheckConfirm(
        { cbCreateControlBar->isChecked(), rbCustom->isChecked(), edtControlBar->text().toStdString(),
            cbSecureCode->isChecked(), edtSecureCode->text().toStdString() });
    if (result.accepted) {
        accept();
        return;
    }
    lvMain->setCurrentRow(result.page);
    (result.page == kPageControlBar ? edtControlBar : edtSecureCode)->setFocus();
    platform::MessageBox(
        this, LoadStr(result.messageId), LoadStr(str::kErrorTitle), platform::MB_OK | platform::MB_ICONERROR);
}

void TFlashOptionsForm::ShowHelp()
{
    ShowHelpTopic(HelpTopicForPage(PageControl1->currentIndex()));
}

void TFlashOptionsForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1) {
        ShowHelp();
        return;
    }
    if (event->key() == Qt::Key_F3) {
        cbActionScript3->show();
        return;
    }
    QDialog::keyPressEvent(event);
}
