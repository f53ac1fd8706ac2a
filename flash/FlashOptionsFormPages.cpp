// The nine pages of the Flash options dialog: controls, captions, ranges and
// designed states. The rules that tie the controls together are in
// FlashOptionsForm.cpp.

#include "flash/FlashExportSettings.h"
#include "flash/FlashOptionsForm.h"
#include "flash/FlashOptionsRules.h"

#include "app/StringTable.h"
#include "strings/StringIds.h"
#include "support/HelpLauncher.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace vantor;

namespace {

QString Text(int id)
{
    return QString::fromStdString(LoadStr(id));
}

template <typename T> T* Make(QWidget* parent, const char* name, int textId = 0)
{
    auto* widget = new T(parent);
    widget->setObjectName(QString::fromLatin1(name));
    if constexpr (requires { widget->setText(QString()); }) {
        if (textId != 0)
            widget->setText(Text(textId));
    }
    return widget;
}

QGroupBox* Group(QWidget* parent, const char* name, int titleId)
{
    auto* group = new QGroupBox(Text(titleId).trimmed(), parent);
    group->setObjectName(QString::fromLatin1(name));
    return group;
}

// A help link: blue underlined text that opens `topic`.
QLabel* HelpLink(QWidget* parent, const char* name, int textId, const char* topic)
{
    auto* label = new QLabel(
        QStringLiteral("<a href=\"%1\">%2</a>").arg(QString::fromLatin1(topic), Text(textId).toHtmlEscaped()),
        parent);
    label->setObjectName(QString::fromLatin1(name));
    QObject::connect(
        label, &QLabel::linkActivated, [](const QString& link) { ShowHelpTopic(link.toStdString()); });
    return label;
}

QLabel* RedHint(QWidget* parent, const char* name, int textId)
{
    auto* label = Make<QLabel>(parent, name, textId);
    label->setStyleSheet(QStringLiteral("color: red"));
    label->setWordWrap(true);
    label->hide(); // only for movies with interactive elements
    return label;
}

QSpinBox* Spin(QWidget* parent, const char* name, int minimum, int maximum, int step = 1)
{
    auto* spin = Make<QSpinBox>(parent, name);
    spin->setRange(minimum, maximum);
    spin->setSingleStep(step);
    spin->setMaximumWidth(110);
    return spin;
}

} // namespace

QWidget* TFlashOptionsForm::BuildGeneralPage()
{
    TabSheet1 = Make<QWidget>(nullptr, "TabSheet1");
    auto* page = new QVBoxLayout(TabSheet1);

    gbExportFrames = Group(TabSheet1, "gbExportFrames", str::kExportFramesGroup);
    auto* frames = new QGridLayout(gbExportFrames);
    rbWholeMovie = Make<QRadioButton>(gbExportFrames, "rbWholeMovie", str::kFramesWholeMovie);
    rbSelectedFrames = Make<QRadioButton>(gbExportFrames, "rbSelectedFrames", str::kFramesSelected);
    seStartFrame = Spin(gbExportFrames, "seStartFrame", 0, 0);
    seEndFrame = Spin(gbExportFrames, "seEndFrame", 0, 0);
    frames->addWidget(rbWholeMovie, 0, 0, 1, 4);
    frames->addWidget(rbSelectedFrames, 1, 0, 1, 4);
    frames->addWidget(Make<QLabel>(gbExportFrames, "lblStart", str::kFramesStart), 2, 0);
    frames->addWidget(seStartFrame, 2, 1);
    frames->addWidget(Make<QLabel>(gbExportFrames, "lblEnd", str::kFramesEnd), 2, 2);
    frames->addWidget(seEndFrame, 2, 3);
    rbWholeMovie->setChecked(true);
    page->addWidget(gbExportFrames);

    gbFrameRate = Group(TabSheet1, "gbFrameRate", str::kFrameRateGroup);
    auto* rate = new QGridLayout(gbFrameRate);
    rbFullFrame = Make<QRadioButton>(gbFrameRate, "rbFullFrame");
    rb2Frame = Make<QRadioButton>(gbFrameRate, "rb2Frame");
    rb4Frame = Make<QRadioButton>(gbFrameRate, "rb4Frame");
    rbCustomFrame = Make<QRadioButton>(gbFrameRate, "rbCustomFrame", str::kFrameRateCustom);
    CustomRate = Spin(gbFrameRate, "CustomRate", 1, 100);
    CustomRate->setValue(24);
    lblFrameLimit = Make<QLabel>(gbFrameRate, "lblFrameLimit", str::kFlashFrameLimitRate);
    lblFrameLimit->setWordWrap(true);
    lblFrameLimit->hide();
    rate->addWidget(rbFullFrame, 0, 0, 1, 2);
    rate->addWidget(rb2Frame, 1, 0, 1, 2);
    rate->addWidget(rb4Frame, 2, 0, 1, 2);
    rate->addWidget(rbCustomFrame, 3, 0);
    rate->addWidget(CustomRate, 3, 1);
    rate->addWidget(lblFrameLimit, 4, 0, 1, 2);
    rb4Frame->hide(); // the quarter rate is never offered
    rbFullFrame->setChecked(true);
    page->addWidget(gbFrameRate);

    gbScaling = Group(TabSheet1, "gbScaling", str::kScalingGroup);
    auto* scaling = new QGridLayout(gbScaling);
    rbPercent = Make<QRadioButton>(gbScaling, "rbPercent", str::kScalePercent);
    rbPixels = Make<QRadioButton>(gbScaling, "rbPixels", str::kScalePixels);
    OutWidth = Spin(gbScaling, "OutWidth", 1, FlashScaling::kMaxPercentField);
    OutHeight = Spin(gbScaling, "OutHeight", 1, FlashScaling::kMaxPercentField);
    lblWidthUnit = Make<QLabel>(gbScaling, "lblWidthUnit", str::kScalePercent);
    lblHeightUnit = Make<QLabel>(gbScaling, "lblHeightUnit", str::kScalePercent);
    KeepAspect = Make<QCheckBox>(gbScaling, "KeepAspect", str::kKeepAspectRatio);
    lblPaddingNote = Make<QLabel>(gbScaling, "lblPaddingNote", str::kFlashPaddingNote);
    lblPaddingColour = Make<QLabel>(gbScaling, "lblPaddingColour", str::kFlashPaddingColour);
    shpPaddingColour = Make<QLabel>(gbScaling, "shpPaddingColour");
    shpPaddingColour->setFixedSize(40, 18);
    shpPaddingColour->setFrameShape(QFrame::Box);
    lblOutMovieSize = Make<QLabel>(gbScaling, "lblOutMovieSize");
    scaling->addWidget(rbPercent, 0, 0);
    scaling->addWidget(rbPixels, 0, 1);
    scaling->addWidget(Make<QLabel>(gbScaling, "lblWidth", str::kAutoscrollWidth), 1, 0);
    scaling->addWidget(OutWidth, 1, 1);
    scaling->addWidget(lblWidthUnit, 1, 2);
    scaling->addWidget(Make<QLabel>(gbScaling, "lblHeight", str::kAutoscrollHeight), 2, 0);
    scaling->addWidget(OutHeight, 2, 1);
    scaling->addWidget(lblHeightUnit, 2, 2);
    scaling->addWidget(KeepAspect, 3, 0, 1, 3);
    scaling->addWidget(lblOutMovieSize, 4, 0, 1, 3);
    scaling->addWidget(lblPaddingNote, 5, 0, 1, 3);
    scaling->addWidget(lblPaddingColour, 6, 0);
    scaling->addWidget(shpPaddingColour, 6, 1);
    rbPercent->setChecked(true);
    KeepAspect->setChecked(true);
    OutWidth->setValue(100);
    OutHeight->setValue(100);
    page->addWidget(gbScaling);
    page->addStretch();
    return TabSheet1;
}

QWidget* TFlashOptionsForm::BuildPlaybackPage()
{
    tsPlayback = Make<QWidget>(nullptr, "tsPlayback");
    auto* page = new QVBoxLayout(tsPlayback);

    auto* starting = Group(tsPlayback, "gbStartingPlayback", str::kStartingPlaybackGroup);
    auto* startingLayout = new QVBoxLayout(starting);
    rbNoDownload = Make<QRadioButton>(starting, "rbNoDownload", str::kFlashPlayNoDownload);
    rbDownloadNoPlay = Make<QRadioButton>(starting, "rbDownloadNoPlay", str::kFlashPlayDownloadNoPlay);
    rbDownloadAndPlay = Make<QRadioButton>(starting, "rbDownloadAndPlay", str::kFlashPlayDownloadAndPlay);
    startingLayout->addWidget(rbNoDownload);
    startingLayout->addWidget(rbDownloadNoPlay);
    startingLayout->addWidget(rbDownloadAndPlay);
    rbDownloadAndPlay->setChecked(true);
    page->addWidget(starting);

    auto* atEnd = Group(tsPlayback, "gbAtMovieEnd", str::kAtMovieEndGroup);
    auto* atEndLayout = new QVBoxLayout(atEnd);
    cbStopAtEnd = Make<QCheckBox>(atEnd, "cbStopAtEnd", str::kFlashStopAtEnd);
    cbStopAtEnd->setChecked(true);
    atEndLayout->addWidget(cbStopAtEnd);
    page->addWidget(atEnd);

    auto* pausing = Group(tsPlayback, "gbPausingPlayback", str::kPausingPlaybackGroup);
    auto* pausingLayout = new QVBoxLayout(pausing);
    cbPauseByClick = Make<QCheckBox>(pausing, "cbPauseByClick", str::kFlashPauseByClick);
    cbShowPausedOverlay = Make<QCheckBox>(pausing, "cbShowPausedOverlay", str::kFlashShowPausedOverlay);
    cbPauseByClick->setChecked(true);
    cbShowPausedOverlay->setChecked(true);
    pausingLayout->addWidget(cbPauseByClick);
    pausingLayout->addWidget(cbShowPausedOverlay);
    page->addWidget(pausing);

    auto* preview = Group(tsPlayback, "gbPreviewImage", str::kPreviewImageGroup);
    auto* previewLayout = new QVBoxLayout(preview);
    chkPreviewMode = Make<QCheckBox>(preview, "chkPreviewMode", str::kFlashShowPreview);
    cbDimPreview = Make<QCheckBox>(preview, "cbDimPreview", str::kFlashDimPreview);
    chkPreviewMode->setChecked(true);
    previewLayout->addWidget(chkPreviewMode);
    previewLayout->addWidget(cbDimPreview);
    page->addWidget(preview);

    lblInteractiveRecommended
        = RedHint(tsPlayback, "lblInteractiveRecommended", str::kFlashInteractiveRecommended);
    lblInteractiveLost = RedHint(tsPlayback, "lblInteractiveLost", str::kFlashInteractiveLost);
    page->addWidget(lblInteractiveRecommended);
    page->addWidget(lblInteractiveLost);
    page->addStretch();
    return tsPlayback;
}

QWidget* TFlashOptionsForm::BuildVideoQualityPage()
{
    tshCompression = Make<QWidget>(nullptr, "tshCompression");
    auto* page = new QVBoxLayout(tshCompression);

    auto* kind = new QHBoxLayout;
    rbStandardSwf = Make<QRadioButton>(tshCompression, "rbStandardSwf", str::kFlashStandardSwf);
    rbFlashVideo = Make<QRadioButton>(tshCompression, "rbFlashVideo", str::kFlashVideoFlv);
    rbStandardSwf->setChecked(true);
    kind->addWidget(rbStandardSwf);
    kind->addWidget(rbFlashVideo);
    kind->addStretch();
    page->addLayout(kind);
    lblLearnTwoTypes
        = HelpLink(tshCompression, "lblLearnTwoTypes", str::kFlashLearnTwoTypes, help_topic::kFlvOrSwf);
    page->addWidget(lblLearnTwoTypes);

    gbImageQuality = Group(tshCompression, "gbImageQuality", str::kFlashImageQualityGroup);
    auto* image = new QGridLayout(gbImageQuality);
    rbJPEG = Make<QRadioButton>(gbImageQuality, "rbJPEG", str::kFlashJpeg);
    rbLossless = Make<QRadioButton>(gbImageQuality, "rbLossless", str::kFlashLossless);
    lblJPEGQuality = Make<QLabel>(gbImageQuality, "lblJPEGQuality", str::kFlashJpegQuality);
    tbJPEGQuality = Make<QSlider>(gbImageQuality, "tbJPEGQuality");
    tbJPEGQuality->setOrientation(Qt::Horizontal);
    tbJPEGQuality->setRange(1, 100);
    tbJPEGQuality->setValue(80);
    lblJPEGQualityValue = Make<QLabel>(gbImageQuality, "lblJPEGQualityValue");
    lblJPEGQualityValue->setText(QStringLiteral("80%"));
    cbOptimiseCompression
        = Make<QCheckBox>(gbImageQuality, "cbOptimiseCompression", str::kFlashOptimiseCompression);
    cbOptimiseCompression->setChecked(true);
    image->addWidget(rbJPEG, 0, 0, 1, 3);
    image->addWidget(lblJPEGQuality, 1, 0);
    image->addWidget(tbJPEGQuality, 1, 1);
    image->addWidget(lblJPEGQualityValue, 1, 2);
    image->addWidget(cbOptimiseCompression, 2, 0, 1, 3);
    image->addWidget(rbLossless, 3, 0, 1, 3);
    rbJPEG->setChecked(true);
    page->addWidget(gbImageQuality);

    gbEncoding = Group(tshCompression, "gbEncoding", str::kFlashEncodingGroup);
    auto* encoding = new QGridLayout(gbEncoding);
    rbH263 = Make<QRadioButton>(gbEncoding, "rbH263", str::kFlashH263);
    rbScreenVideo = Make<QRadioButton>(gbEncoding, "rbScreenVideo", str::kFlashScreenVideo);
    cbxQualityMode = Make<QComboBox>(gbEncoding, "cbxQualityMode");
    cbxQualityMode->addItem(Text(str::kFlashModeQuality));
    cbxQualityMode->addItem(Text(str::kFlashModeBitrate));
    lblFLVQuality = Make<QLabel>(gbEncoding, "lblFLVQuality", str::kFlashFlvQualityLabel);
    tbFLVQuality = Make<QSlider>(gbEncoding, "tbFLVQuality");
    tbFLVQuality->setOrientation(Qt::Horizontal);
    tbFLVQuality->setRange(0, 10);
    tbFLVQuality->setValue(8);
    lblFLVQualityValue = Make<QLabel>(gbEncoding, "lblFLVQualityValue");
    lblFLVQualityValue->setText(QStringLiteral("80%"));
    sbVideoBitrate = Spin(gbEncoding, "sbVideoBitrate", 4, 999999);
    sbVideoBitrate->setValue(1500);
    sbVideoBitrate->setEnabled(false);
    lblBitrateUnit = Make<QLabel>(gbEncoding, "lblBitrateUnit", str::kFlashKbitsPerSecond);
    encoding->addWidget(rbH263, 0, 0);
    encoding->addWidget(cbxQualityMode, 0, 1, 1, 2);
    encoding->addWidget(lblFLVQuality, 1, 0);
    encoding->addWidget(tbFLVQuality, 1, 1);
    encoding->addWidget(lblFLVQualityValue, 1, 2);
    encoding->addWidget(sbVideoBitrate, 2, 1);
    encoding->addWidget(lblBitrateUnit, 2, 2);
    encoding->addWidget(rbScreenVideo, 3, 0, 1, 3);
    rbH263->setChecked(true);
    sbVideoBitrate->hide();
    lblBitrateUnit->hide();
    page->addWidget(gbEncoding);

    gbKeyFrames = Group(tshCompression, "gbKeyFrames", str::kKeyFramesGroup);
    auto* keyFrames = new QHBoxLayout(gbKeyFrames);
    edtFLVKeyframes = Make<QLineEdit>(gbKeyFrames, "edtFLVKeyframes");
    edtFLVKeyframes->setText(QStringLiteral("30"));
    edtFLVKeyframes->setMaximumWidth(60);
    keyFrames->addWidget(Make<QLabel>(gbKeyFrames, "lblKeyFrameEvery", str::kFlashKeyFrameEvery));
    keyFrames->addWidget(edtFLVKeyframes);
    keyFrames->addWidget(Make<QLabel>(gbKeyFrames, "lblFrames", str::kFrames));
    keyFrames->addStretch();
    page->addWidget(gbKeyFrames);
    gbEncoding->hide();
    gbKeyFrames->hide();

    cbFlashVersion = Make<QComboBox>(tshCompression, "cbFlashVersion");
    for (int version = 6; version <= 9; ++version)
        cbFlashVersion->addItem(QString::number(version));
    cbFlashVersion->setCurrentIndex(3);
    cbFlashVersion->hide();
    cbMXCompression = Make<QCheckBox>(tshCompression, "cbMXCompression");
    cbMXCompression->setChecked(true);
    cbMXCompression->hide();

    lblLearnReduceSize
        = HelpLink(tshCompression, "lblLearnReduceSize", str::kFlashLearnReduceSize, help_topic::kFlashSize);
    page->addStretch();
    page->addWidget(lblLearnReduceSize);
    return tshCompression;
}

QWidget* TFlashOptionsForm::BuildAudioPage()
{
    TabSheet2 = Make<QWidget>(nullptr, "TabSheet2");
    auto* page = new QVBoxLayout(TabSheet2);
    cbSound = Make<QCheckBox>(TabSheet2, "cbSound", str::kSoundExport);
    cbSound->setChecked(true);
    page->addWidget(cbSound);

    auto* format = Group(TabSheet2, "gbSoundFormat", str::kSoundFormatGroup);
    auto* formatLayout = new QVBoxLayout(format);
    rbBestFormat = Make<QRadioButton>(format, "rbBestFormat", str::kSoundBestFormat);
    rbWorstFormat = Make<QRadioButton>(format, "rbWorstFormat", str::kSoundWorstFormat);
    rbSelectFormat = Make<QRadioButton>(format, "rbSelectFormat", str::kSoundSelectFormat);
    cbxSoundFormat = Make<QComboBox>(format, "cbxSoundFormat");
    for (const SoundFormatEntry& entry : SoundFormatList())
        cbxSoundFormat->addItem(Text(entry.textId), entry.code);
    cbxSoundFormat->setCurrentIndex(kDefaultSoundFormatPosition);
    rbBestFormat->setChecked(true);
    formatLayout->addWidget(rbBestFormat);
    formatLayout->addWidget(rbWorstFormat);
    formatLayout->addWidget(rbSelectFormat);
    formatLayout->addWidget(cbxSoundFormat);
    page->addWidget(format);

    auto* compression = Group(TabSheet2, "gbSoundCompression", str::kSoundCompressionGroup);
    auto* compressionLayout = new QVBoxLayout(compression);
    cbMP3 = Make<QCheckBox>(compression, "cbMP3", str::kSoundUseMp3);
    cbMP3Profile = Make<QComboBox>(compression, "cbMP3Profile");
    for (int id : Mp3QualityTextIds())
        cbMP3Profile->addItem(Text(id));
    cbMP3Profile->setCurrentIndex(Mp3PositionFromProfile(0));
    cbMP3->setChecked(true);
    compressionLayout->addWidget(cbMP3);
    compressionLayout->addWidget(cbMP3Profile);
    page->addWidget(compression);
    page->addStretch();
    return TabSheet2;
}

QWidget* TFlashOptionsForm::BuildControlBarPage()
{
    tsControlBar = Make<QWidget>(nullptr, "tsControlBar");
    auto* page = new QGridLayout(tsControlBar);
    cbCreateControlBar = Make<QCheckBox>(tsControlBar, "cbCreateControlBar", str::kBarAddPlaybackControls);
    lblAppearance = Make<QLabel>(tsControlBar, "lblAppearance", str::kBarAppearance);
    rbPreinstalled = Make<QRadioButton>(tsControlBar, "rbPreinstalled", str::kBarPreinstalled);
    cbPreinstalled = Make<QComboBox>(tsControlBar, "cbPreinstalled");
    rbCustom = Make<QRadioButton>(tsControlBar, "rbCustom", str::kBarCustomised);
    lblCustomFile = Make<QLabel>(tsControlBar, "lblCustomFile", str::kBarCustomFile);
    edtControlBar = Make<QLineEdit>(tsControlBar, "edtControlBar");
    btnSelectSwf = Make<QPushButton>(tsControlBar, "btnSelectSwf", str::kBarBrowse);
    imgControlBarPreview = Make<QLabel>(tsControlBar, "imgControlBarPreview");
    imgControlBarPreview->setMinimumHeight(30);
    cbControlBarPosition = Make<QCheckBox>(tsControlBar, "cbControlBarPosition", str::kBarPosition);
    rbBarTop = Make<QRadioButton>(tsControlBar, "rbBarTop", str::kBarTop);
    rbBarBottom = Make<QRadioButton>(tsControlBar, "rbBarBottom", str::kBarBottom);
    cbBarOver = Make<QCheckBox>(tsControlBar, "cbBarOver", str::kBarOverMovie);
    cbAutoHide = Make<QCheckBox>(tsControlBar, "cbAutoHide", str::kBarAutoHide);
    auto* barRow = new QHBoxLayout;
    barRow->addWidget(rbBarTop);
    barRow->addWidget(rbBarBottom);
    barRow->addStretch();
    page->addWidget(cbCreateControlBar, 0, 0, 1, 3);
    page->addWidget(lblAppearance, 1, 0, 1, 3);
    page->addWidget(rbPreinstalled, 2, 0);
    page->addWidget(cbPreinstalled, 2, 1, 1, 2);
    page->addWidget(imgControlBarPreview, 3, 1, 1, 2);
    page->addWidget(rbCustom, 4, 0);
    page->addWidget(lblCustomFile, 5, 0);
    page->addWidget(edtControlBar, 5, 1);
    page->addWidget(btnSelectSwf, 5, 2);
    page->addLayout(barRow, 6, 0, 1, 3);
    cbCreateControlBar->setChecked(true); // neither kind is chosen until the first run
    // The kind and the position are two choices on one page.
    for (auto choices : { std::pair { rbPreinstalled, rbCustom }, std::pair { rbBarTop, rbBarBottom } }) {
        auto* group = new QButtonGroup(tsControlBar);
        group->addButton(choices.first);
        group->addButton(choices.second);
    }
    cbControlBarPosition->setChecked(true);
    rbBarTop->setChecked(true);
    cbControlBarPosition->hide();
    cbBarOver->hide();
    cbAutoHide->hide();

    auto* buttons = Group(tsControlBar, "gbBarButtons", str::kBarButtonsGroup);
    auto* buttonsLayout = new QGridLayout(buttons);
    cbShowAutoHide = Make<QCheckBox>(buttons, "cbShowAutoHide", str::kBarAutohideButton);
    cbFullScreen = Make<QCheckBox>(buttons, "cbFullScreen", str::kBarFullScreenButton);
    cbNoScale = Make<QCheckBox>(buttons, "cbNoScale", str::kBarNoScaleFullScreen);
    cbVTLogo = Make<QCheckBox>(buttons, "cbVTLogo", str::kBarLogo);
    cbVolumeBar = Make<QCheckBox>(buttons, "cbVolumeBar", str::kBarVolume);
    cbTimer = Make<QCheckBox>(buttons, "cbTimer", str::kBarTimer);
    cbTimeline = Make<QCheckBox>(buttons, "cbTimeline", str::kBarTimeline);
    cbNextPrev = Make<QCheckBox>(buttons, "cbNextPrev", str::kBarNextPrev);
    lblNextPrevNote = Make<QLabel>(buttons, "lblNextPrevNote", str::kFlashNotInFlv);
    lblNextPrevNote->hide();
    int row = 0;
    for (QCheckBox* box :
        { cbShowAutoHide, cbFullScreen, cbNoScale, cbVTLogo, cbVolumeBar, cbTimer, cbTimeline }) {
        box->setChecked(box != cbNoScale);
        buttonsLayout->addWidget(box, row++, 0, 1, 2);
    }
    cbNoScale->setContentsMargins(20, 0, 0, 0);
    cbNextPrev->setChecked(true);
    buttonsLayout->addWidget(cbNextPrev, row, 0);
    buttonsLayout->addWidget(lblNextPrevNote, row, 1);
    page->addWidget(buttons, 7, 0, 1, 3);
    page->setRowStretch(8, 1);
    return tsControlBar;
}

QWidget* TFlashOptionsForm::BuildAutoscrollPage()
{
    tshAutoscroll = Make<QWidget>(nullptr, "tshAutoscroll");
    auto* page = new QVBoxLayout(tshAutoscroll);
    auto* explanation = Make<QLabel>(tshAutoscroll, "lblAutoscrollExplanation", str::kAutoscrollExplanation);
    explanation->setWordWrap(true);
    page->addWidget(explanation);
    cbAutoscroll = Make<QCheckBox>(tshAutoscroll, "cbAutoscroll", str::kAutoscrollUse);
    rbMouseInCenter = Make<QRadioButton>(tshAutoscroll, "rbMouseInCenter", str::kAutoscrollMouseInCenter);
    rbMouseNearCenter
        = Make<QRadioButton>(tshAutoscroll, "rbMouseNearCenter", str::kAutoscrollMouseNearCenter);
    rbMouseInCenter->setChecked(true);
    page->addWidget(cbAutoscroll);
    page->addWidget(rbMouseInCenter);
    page->addWidget(rbMouseNearCenter);

    auto* size = Group(tshAutoscroll, "gbAutoscrollSize", str::kAutoscrollFrameSizeGroup);
    auto* sizeLayout = new QGridLayout(size);
    seAutoscrollWidth = Spin(size, "seAutoscrollWidth", 20, 100, 5);
    seAutoscrollHeight = Spin(size, "seAutoscrollHeight", 20, 100, 5);
    seAutoscrollWidth->setSuffix(QLatin1Char(' ') + Text(str::kScalePercent));
    seAutoscrollHeight->setSuffix(QLatin1Char(' ') + Text(str::kScalePercent));
    seAutoscrollWidth->setValue(50);
    seAutoscrollHeight->setValue(50);
    btnSetVisible = Make<QPushButton>(size, "btnSetVisible", str::kAutoscrollSetVisible);
    sizeLayout->addWidget(Make<QLabel>(size, "lblAutoscrollWidth", str::kAutoscrollWidth), 0, 0);
    sizeLayout->addWidget(seAutoscrollWidth, 0, 1);
    sizeLayout->addWidget(Make<QLabel>(size, "lblAutoscrollHeight", str::kAutoscrollHeight), 1, 0);
    sizeLayout->addWidget(seAutoscrollHeight, 1, 1);
    sizeLayout->addWidget(btnSetVisible, 2, 0, 1, 2);
    page->addWidget(size);
    lblAutoscrollNote = Make<QLabel>(tshAutoscroll, "lblAutoscrollNote");
    page->addWidget(lblAutoscrollNote);
    page->addStretch();
    return tshAutoscroll;
}

QWidget* TFlashOptionsForm::BuildHtmlTemplatePage()
{
    tbsHtmlTemplate = Make<QWidget>(nullptr, "tbsHtmlTemplate");
    auto* page = new QGridLayout(tbsHtmlTemplate);
    cbTemplateName = Make<QComboBox>(tbsHtmlTemplate, "cbTemplateName");
    mHTML = Make<QPlainTextEdit>(tbsHtmlTemplate, "mHTML");
    mHTML->setReadOnly(true);
    QFont fixedPitch(QStringLiteral("Courier New"));
    fixedPitch.setStyleHint(QFont::TypeWriter); // another fixed-pitch font where it is missing
    mHTML->setFont(fixedPitch);
    page->addWidget(Make<QLabel>(tbsHtmlTemplate, "lblTemplate", str::kTmplNameLabel), 0, 0);
    page->addWidget(cbTemplateName, 0, 1, 1, 5);
    page->addWidget(mHTML, 1, 0, 1, 6);
    struct TemplateButton {
        QPushButton** widget;
        const char* name;
        int textId;
        int hintId;
    };
    const TemplateButton buttons[] = {
        { &btnNew, "btnNew", str::kTmplNew, str::kTmplNewHint },
        { &btnDelete, "btnDelete", str::kTmplDelete, str::kTmplDeleteHint },
        { &btnCopy, "btnCopy", str::kTmplCopy, str::kTmplCopyHint },
        { &btnEdit, "btnEdit", str::kTmplEdit, str::kTmplEditHint },
        { &btnSave, "btnSave", str::kTmplSave, str::kTmplSaveHint },
        { &btnFile, "btnFile", str::kTmplLoad, str::kTmplLoadHint },
    };
    int column = 0;
    for (const TemplateButton& button : buttons) {
        *button.widget = Make<QPushButton>(tbsHtmlTemplate, button.name, button.textId);
        (*button.widget)->setToolTip(Text(button.hintId));
        page->addWidget(*button.widget, 2, column++);
    }
    lblLearnHtml
        = HelpLink(tbsHtmlTemplate, "lblLearnHtml", str::kTmplLearnMore, help_topic::kFlashHtmlFiles);
    page->addWidget(lblLearnHtml, 3, 0, 1, 6);
    return tbsHtmlTemplate;
}

QWidget* TFlashOptionsForm::BuildSwfFileGenerationPage()
{
    tsSwfFileGeneration = Make<QWidget>(nullptr, "tsSwfFileGeneration");
    auto* page = new QVBoxLayout(tsSwfFileGeneration);
    rbSingleSwf = Make<QRadioButton>(tsSwfFileGeneration, "rbSingleSwf", str::kFlashSingleSwf);
    rbSeparateSwf = Make<QRadioButton>(tsSwfFileGeneration, "rbSeparateSwf", str::kFlashSeparateSwf);
    chkPreviewModeExternal
        = Make<QCheckBox>(tsSwfFileGeneration, "chkPreviewModeExternal", str::kFlashSeparatePreview);
    cbActionScript3 = Make<QCheckBox>(tsSwfFileGeneration, "cbActionScript3", str::kFlashActionScript3);
    rbSingleSwf->setChecked(true);
    cbActionScript3->hide();
    page->addWidget(rbSingleSwf);
    page->addWidget(rbSeparateSwf);
    page->addSpacing(12);
    page->addWidget(chkPreviewModeExternal);
    page->addWidget(cbActionScript3);
    page->addStretch();
    return tsSwfFileGeneration;
}

QWidget* TFlashOptionsForm::BuildMorePage()
{
    TabSheet3 = Make<QWidget>(nullptr, "TabSheet3");
    auto* page = new QVBoxLayout(TabSheet3);
    auto* inMovie = Group(TabSheet3, "gbInTheMovie", str::kInTheMovieGroup);
    auto* inMovieLayout = new QGridLayout(inMovie);
    cbShowCursor = Make<QCheckBox>(inMovie, "cbShowCursor", str::kFlashShowCursor);
    cbShowCursor->setChecked(true);
    cbxImageFormat = Make<QComboBox>(inMovie, "cbxImageFormat");
    inMovieLayout->addWidget(cbShowCursor, 0, 0, 1, 2);
    inMovieLayout->addWidget(Make<QLabel>(inMovie, "lblColourDepth", str::kFlashColourDepth), 1, 0);
    inMovieLayout->addWidget(cbxImageFormat, 1, 1);
    page->addWidget(inMovie);

    auto* security = new QGridLayout;
    cbSecureDomain = Make<QCheckBox>(TabSheet3, "cbSecureDomain", str::kFlashUseSecureDomains);
    edtSecureDomain = Make<QLineEdit>(TabSheet3, "edtSecureDomain");
    cbSecureCode = Make<QCheckBox>(TabSheet3, "cbSecureCode", str::kFlashUseSecureCode);
    edtSecureCode = Make<QLineEdit>(TabSheet3, "edtSecureCode");
    edtSecureCode->setMaxLength(flash_rules::kSecureCodeMaxLength);
    edtSecureDomain->setEnabled(false);
    edtSecureCode->setEnabled(false);
    security->addWidget(cbSecureDomain, 0, 0);
    security->addWidget(edtSecureDomain, 0, 1);
    security->addWidget(cbSecureCode, 1, 0);
    security->addWidget(edtSecureCode, 1, 1);
    page->addLayout(security);
    lblLearnSecurity
        = HelpLink(TabSheet3, "lblLearnSecurity", str::kFlashLearnSecurity, help_topic::kSecureDomains);
    page->addWidget(lblLearnSecurity);

    auto* preload = new QHBoxLayout;
    edtPreload = Make<QLineEdit>(TabSheet3, "edtPreload");
    edtPreload->setText(QStringLiteral("0"));
    edtPreload->setMaximumWidth(60);
    preload->addWidget(Make<QLabel>(TabSheet3, "lblPreload", str::kFlashPreload));
    preload->addWidget(edtPreload);
    preload->addStretch();
    page->addLayout(preload);
    page->addStretch();
    return TabSheet3;
}
