// The pages of TOutputSizeForm, in their designed state: captions from the
// string table, ranges, steps, checked and enabled states.

#include "app/StringTable.h"
#include "strings/StringIds.h"
#include "video/OutputSizeForm.h"
#include "video/OutputSizeRules.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

using vantor::LoadStr;

QString Text(int id)
{
    return QString::fromStdString(LoadStr(id));
}

template <typename T> T* Make(QWidget* parent, const char* name, int textId = 0)
{
    auto* widget = new T(parent);
    widget->setObjectName(name);
    if constexpr (requires { widget->setText(QString()); }) {
        if (textId != 0)
            widget->setText(Text(textId));
    }
    return widget;
}

QSpinBox* MakeSpin(QWidget* parent, const char* name, int minimum, int maximum, int value, int step = 1)
{
    auto* spin = Make<QSpinBox>(parent, name);
    spin->setRange(minimum, maximum);
    spin->setValue(value);
    spin->setSingleStep(step);
    return spin;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, const char* text)
{
    auto* edit = Make<QLineEdit>(parent, name);
    edit->setText(text);
    return edit;
}

QGroupBox* MakeGroup(QWidget* parent, const char* name, int textId)
{
    auto* group = new QGroupBox(Text(textId), parent);
    group->setObjectName(name);
    return group;
}

} // namespace

void TOutputSizeForm::BuildPages()
{
    PageControl = Make<QTabWidget>(this, "PageControl");
    // Every page's tab stays in sight: the dialog is as wide as its tabs.
    PageControl->setUsesScrollButtons(false);
    tsGeneral = BuildGeneralPage();
    tsFrameRate = BuildFrameRatePage();
    tsQT = BuildQualityPage();
    tsAudio = BuildAudioPage();
    tsAutoscroll = BuildAutoscrollPage();
    tsControlBar = BuildControlBarPage();
    tsMore = BuildMorePage();
    PageControl->addTab(tsGeneral, Text(vantor::str::kPageGeneral));
    PageControl->addTab(tsFrameRate, Text(vantor::str::kPageFrameRate));
    PageControl->addTab(tsQT, Text(vantor::str::kPageVideoQuality));
    PageControl->addTab(tsAudio, Text(vantor::str::kPageAudio));
    PageControl->addTab(tsAutoscroll, Text(vantor::str::kPageAutoscroll));
    PageControl->addTab(tsControlBar, Text(vantor::str::kPageFlash));
    PageControl->addTab(tsMore, Text(vantor::str::kPageMore));
    // No driver shows the Flash page.
    PageControl->setTabVisible(PageControl->indexOf(tsControlBar), false);

    OK = Make<QPushButton>(this, "OK", vantor::str::kVideoExportButton);
    OK->setDefault(true);
    Cancel = Make<QPushButton>(this, "Cancel", vantor::str::kCancelButton);
    HelpBtn = Make<QPushButton>(this, "HelpBtn", vantor::str::kHelpButton);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OK);
    buttons->addWidget(Cancel);
    buttons->addWidget(HelpBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl);
    layout->addLayout(buttons);
}

QWidget* TOutputSizeForm::BuildGeneralPage()
{
    using namespace vantor::str;
    auto* page = Make<QWidget>(this, "tsGeneral");
    gbExportFrames = MakeGroup(page, "gbExportFrames", kVideoExportFramesGroup);
    rbExportMovie = Make<QRadioButton>(gbExportFrames, "rbExportMovie", kFramesWholeMovie);
    rbExportMovie->setChecked(true);
    rbExportFrames = Make<QRadioButton>(gbExportFrames, "rbExportFrames", kFramesSelected);
    edtFromFrame = MakeSpin(gbExportFrames, "edtFromFrame", 0, 99999, 1);
    edtToFrame = MakeSpin(gbExportFrames, "edtToFrame", 0, 99999, 1);
    edtFromFrame->setEnabled(false);
    edtToFrame->setEnabled(false);
    auto* frames = new QGridLayout(gbExportFrames);
    frames->addWidget(rbExportMovie, 0, 0, 1, 4);
    frames->addWidget(rbExportFrames, 1, 0);
    frames->addWidget(Make<QLabel>(gbExportFrames, "lblFrom", kFramesStart), 1, 1);
    frames->addWidget(edtFromFrame, 1, 2);
    frames->addWidget(Make<QLabel>(gbExportFrames, "lblTo", kFramesEnd), 1, 3);
    frames->addWidget(edtToFrame, 1, 4);

    gbScaling = MakeGroup(page, "gbScaling", kVideoScalingGroup);
    lblQTNote = Make<QLabel>(gbScaling, "lblQTNote", kVideoQtSizeNote);
    lblQTNote->setWordWrap(true);
    lblQTNote->setVisible(false);
    pnlScaling = Make<QWidget>(gbScaling, "pnlScaling");
    rbScaleToPercents = Make<QRadioButton>(pnlScaling, "rbScaleToPercents", kScalePercent);
    rbScaleToPercents->setChecked(true);
    rbScaleToPixels = Make<QRadioButton>(pnlScaling, "rbScaleToPixels", kScalePixels);
    OutWidth = MakeSpin(pnlScaling, "OutWidth", 1, 100, 100, 5);
    OutHeight = MakeSpin(pnlScaling, "OutHeight", 1, 100, 100, 5);
    lblWidthUnit = Make<QLabel>(pnlScaling, "lblWidthUnit", kScalePercent);
    lblHeightUnit = Make<QLabel>(pnlScaling, "lblHeightUnit", kScalePercent);
    lblOutMovieSize = Make<QLabel>(pnlScaling, "lblOutMovieSize");
    KeepAspect = Make<QCheckBox>(pnlScaling, "KeepAspect", kKeepAspectRatio);
    KeepAspect->setChecked(true);
    auto* scaling = new QGridLayout(pnlScaling);
    scaling->setContentsMargins(0, 0, 0, 0);
    scaling->addWidget(rbScaleToPercents, 0, 0);
    scaling->addWidget(rbScaleToPixels, 0, 1);
    scaling->addWidget(Make<QLabel>(pnlScaling, "lblWidth", kAutoscrollWidth), 1, 0);
    scaling->addWidget(OutWidth, 1, 1);
    scaling->addWidget(lblWidthUnit, 1, 2);
    scaling->addWidget(Make<QLabel>(pnlScaling, "lblHeight", kAutoscrollHeight), 2, 0);
    scaling->addWidget(OutHeight, 2, 1);
    scaling->addWidget(lblHeightUnit, 2, 2);
    scaling->addWidget(lblOutMovieSize, 3, 0, 1, 3);
    scaling->addWidget(KeepAspect, 4, 0, 1, 3);
    auto* scalingGroup = new QVBoxLayout(gbScaling);
    scalingGroup->addWidget(lblQTNote);
    scalingGroup->addWidget(pnlScaling);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(gbExportFrames);
    layout->addWidget(gbScaling);
    layout->addStretch();
    return page;
}

QWidget* TOutputSizeForm::BuildFrameRatePage()
{
    using namespace vantor::str;
    auto* page = Make<QWidget>(this, "tsFrameRate");
    GroupBox2 = MakeGroup(page, "GroupBox2", kVideoFrameRateGroup);
    rbFullFrame = Make<QRadioButton>(GroupBox2, "rbFullFrame", kFrameRateFull);
    rb2Frame = Make<QRadioButton>(GroupBox2, "rb2Frame", kFrameRateHalf);
    rb2Frame->setChecked(true);
    rb4Frame = Make<QRadioButton>(GroupBox2, "rb4Frame", kFrameRateQuarter);
    rbCustomFrame = Make<QRadioButton>(GroupBox2, "rbCustomFrame", kFrameRateCustom);
    CustomRate = MakeSpin(GroupBox2, "CustomRate", 1, 999, 30);
    Label10 = Make<QLabel>(GroupBox2, "Label10", kVideoFrameRateLabel);
    Label11 = Make<QLabel>(GroupBox2, "Label11", kVideoFramesPerSecond);
    auto* rates = new QGridLayout(GroupBox2);
    rates->addWidget(rbFullFrame, 0, 0, 1, 4);
    rates->addWidget(rb2Frame, 1, 0, 1, 4);
    rates->addWidget(rb4Frame, 2, 0, 1, 4);
    rates->addWidget(rbCustomFrame, 3, 0);
    rates->addWidget(Label10, 3, 1);
    rates->addWidget(CustomRate, 3, 2);
    rates->addWidget(Label11, 3, 3);

    gbKeyframes = MakeGroup(page, "gbKeyframes", kKeyFramesGroup);
    edtKeyFrame = MakeEdit(gbKeyframes, "edtKeyFrame", "30");
    auto* keys = new QHBoxLayout(gbKeyframes);
    keys->addWidget(Make<QLabel>(gbKeyframes, "lblKeyEvery", kVideoCreateKeyframeEvery));
    keys->addWidget(edtKeyFrame);
    keys->addWidget(Make<QLabel>(gbKeyframes, "lblKeyFrames", kFrames));

    Label3 = Make<QLabel>(page, "Label3");
    Label3->setVisible(false);
    cbExportUseGroups = Make<QCheckBox>(page, "cbExportUseGroups");
    cbExportUseGroups->setVisible(false);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(GroupBox2);
    layout->addWidget(gbKeyframes);
    layout->addWidget(Label3);
    layout->addWidget(cbExportUseGroups);
    layout->addStretch();
    return page;
}

QWidget* TOutputSizeForm::BuildQualityPage()
{
    using namespace vantor::str;
    auto* page = Make<QWidget>(this, "tsQT");
    auto* encoding = MakeGroup(page, "gbEncoding", kVideoEncodingGroup);
    lbQuality = Make<QLabel>(encoding, "lbQuality", kVideoQualityLabel);
    tbQuality = Make<QSlider>(encoding, "tbQuality");
    tbQuality->setOrientation(Qt::Horizontal);
    tbQuality->setRange(0, 1024);
    tbQuality->setValue(512);
    lblPercent = Make<QLabel>(encoding, "lblPercent");
    lbLowest = Make<QLabel>(encoding, "lbLowest", kVideoLowest);
    lbHighest = Make<QLabel>(encoding, "lbHighest", kVideoHighest);
    panQTMode = Make<QWidget>(encoding, "panQTMode");
    rbSinglePass = Make<QRadioButton>(panQTMode, "rbSinglePass", kVideoSinglePass);
    rbSinglePass->setChecked(true);
    rbMultiPass = Make<QRadioButton>(panQTMode, "rbMultiPass", kVideoMultiPass);
    cbFlattenMovie = Make<QCheckBox>(panQTMode, "cbFlattenMovie", kVideoStreaming);
    cbFlattenMovie->setVisible(false);
    auto* qtMode = new QVBoxLayout(panQTMode);
    qtMode->setContentsMargins(0, 0, 0, 0);
    qtMode->addWidget(rbSinglePass);
    qtMode->addWidget(rbMultiPass);
    qtMode->addWidget(cbFlattenMovie);
    panFLVMode = Make<QWidget>(encoding, "panFLVMode");
    rbH263 = Make<QRadioButton>(panFLVMode, "rbH263", kFlashH263);
    rbH263->setChecked(true);
    rbScreenVideo = Make<QRadioButton>(panFLVMode, "rbScreenVideo", kFlashScreenVideo);
    auto* flvMode = new QHBoxLayout(panFLVMode);
    flvMode->setContentsMargins(0, 0, 0, 0);
    flvMode->addWidget(rbH263);
    flvMode->addWidget(rbScreenVideo);
    auto* enc = new QGridLayout(encoding);
    enc->addWidget(lbQuality, 0, 0);
    enc->addWidget(tbQuality, 0, 1, 1, 2);
    enc->addWidget(lblPercent, 0, 3);
    enc->addWidget(lbLowest, 1, 1);
    enc->addWidget(lbHighest, 1, 2, Qt::AlignRight);
    enc->addWidget(panQTMode, 2, 0, 1, 4);
    enc->addWidget(panFLVMode, 3, 0, 1, 4);

    gbDateRate = MakeGroup(page, "gbDateRate", kVideoDataRateGroup);
    rbRateAuto = Make<QRadioButton>(gbDateRate, "rbRateAuto", kVideoRateAuto);
    rbRateAuto->setChecked(true);
    rbRateAverage = Make<QRadioButton>(gbDateRate, "rbRateAverage", kVideoRateAverage);
    rbRateManual = Make<QRadioButton>(gbDateRate, "rbRateManual", kVideoRateManual);
    edtDateRate = MakeEdit(gbDateRate, "edtDateRate", "600");
    edtDateRateMax = MakeEdit(gbDateRate, "edtDateRateMax", "800");
    edtDateRateMin = MakeEdit(gbDateRate, "edtDateRateMin", "400");
    lbKB1 = Make<QLabel>(gbDateRate, "lbKB1", kVideoKBytesPerSecond);
    lbKB2 = Make<QLabel>(gbDateRate, "lbKB2", kVideoKBytesPerSecond);
    lbKB3 = Make<QLabel>(gbDateRate, "lbKB3", kVideoKBytesPerSecond);
    lbMAXRate = Make<QLabel>(gbDateRate, "lbMAXRate", kVideoRateMax);
    lbMINRate = Make<QLabel>(gbDateRate, "lbMINRate", kVideoRateMin);
    auto* rate = new QGridLayout(gbDateRate);
    rate->addWidget(rbRateAuto, 0, 0, 1, 4);
    rate->addWidget(rbRateAverage, 1, 0);
    rate->addWidget(edtDateRate, 1, 2);
    rate->addWidget(lbKB1, 1, 3);
    rate->addWidget(rbRateManual, 2, 0);
    rate->addWidget(lbMAXRate, 2, 1);
    rate->addWidget(edtDateRateMax, 2, 2);
    rate->addWidget(lbKB2, 2, 3);
    rate->addWidget(lbMINRate, 3, 1);
    rate->addWidget(edtDateRateMin, 3, 2);
    rate->addWidget(lbKB3, 3, 3);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(encoding);
    layout->addWidget(gbDateRate);
    layout->addStretch();
    return page;
}

QWidget* TOutputSizeForm::BuildAudioPage()
{
    using namespace vantor::str;
    auto* page = Make<QWidget>(this, "tsAudio");
    cbSound = Make<QCheckBox>(page, "cbSound", kSoundExport);
    auto* format = MakeGroup(page, "gbSoundFormat", kSoundFormatGroup);
    rdUseBestFormat = Make<QRadioButton>(format, "rdUseBestFormat", kSoundBestFormat);
    rdUseBestFormat->setChecked(true);
    rdUseWorstFormat = Make<QRadioButton>(format, "rdUseWorstFormat", kSoundWorstFormat);
    rdUseExplicitFormat = Make<QRadioButton>(format, "rdUseExplicitFormat", kSoundSelectFormat);
    cbSoundFormat = Make<QComboBox>(format, "cbSoundFormat");
    cbSoundFormat->setEnabled(false);
    auto* formats = new QVBoxLayout(format);
    formats->addWidget(rdUseBestFormat);
    formats->addWidget(rdUseWorstFormat);
    formats->addWidget(rdUseExplicitFormat);
    formats->addWidget(cbSoundFormat);

    auto* compression = MakeGroup(page, "gbSoundCompression", kSoundCompressionGroup);
    UseMP3Check = Make<QCheckBox>(compression, "UseMP3Check", kSoundUseMp3);
    UseMP3Check->setChecked(true);
    cbMP3Profile = Make<QComboBox>(compression, "cbMP3Profile");
    for (const int id : { kMp3LowQuality, kMp3NormalQuality, kMp3HighQuality, kMp3VeryHighQuality })
        cbMP3Profile->addItem(Text(id));
    cbMP3Profile->setCurrentIndex(1);
    auto* comp = new QVBoxLayout(compression);
    comp->addWidget(UseMP3Check);
    comp->addWidget(cbMP3Profile);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(cbSound);
    layout->addWidget(format);
    layout->addWidget(compression);
    layout->addStretch();
    return page;
}

QWidget* TOutputSizeForm::BuildAutoscrollPage()
{
    using namespace vantor::str;
    auto* page = Make<QWidget>(this, "tsAutoscroll");
    auto* explanation = Make<QLabel>(page, "lblAutoscrollExplanation", kAutoscrollExplanation);
    explanation->setWordWrap(true);
    cbAutoscroll = Make<QCheckBox>(page, "cbAutoscroll", kAutoscrollUse);
    auto* modes = Make<QWidget>(page, "pnlAutoscrollMode");
    rbMouseInCenter = Make<QRadioButton>(modes, "rbMouseInCenter", kAutoscrollMouseInCenter);
    rbMouseInCenter->setChecked(true);
    rbMouseNearCenter = Make<QRadioButton>(modes, "rbMouseNearCenter", kAutoscrollMouseNearCenter);
    rbMouseInCenter->setEnabled(false);
    rbMouseNearCenter->setEnabled(false);
    auto* modeLayout = new QVBoxLayout(modes);
    modeLayout->addWidget(rbMouseInCenter);
    modeLayout->addWidget(rbMouseNearCenter);

    auto* size = MakeGroup(page, "gbAutoscrollSize", kAutoscrollFrameSizeGroup);
    btnGetFromCropRect = Make<QPushButton>(size, "btnGetFromCropRect", kAutoscrollSetVisible);
    btnGetFromCropRect->setEnabled(false);
    lblAutoscrollNote = Make<QLabel>(size, "lblAutoscrollNote");
    // Down to 10: the drivers show and save a smaller stored size as 10.
    AutoScrollWidth = MakeSpin(size, "AutoScrollWidth", 10, 100, 100, 5);
    AutoScrollHeight = MakeSpin(size, "AutoScrollHeight", 10, 100, 100, 5);
    auto* sizes = new QGridLayout(size);
    sizes->addWidget(Make<QLabel>(size, "lblAutoscrollWidth", kAutoscrollWidth), 0, 0);
    sizes->addWidget(AutoScrollWidth, 0, 1);
    sizes->addWidget(Make<QLabel>(size, "lblAutoscrollHeight", kAutoscrollHeight), 1, 0);
    sizes->addWidget(AutoScrollHeight, 1, 1);
    sizes->addWidget(btnGetFromCropRect, 2, 0, 1, 2);
    sizes->addWidget(lblAutoscrollNote, 3, 0, 1, 2);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(explanation);
    layout->addWidget(cbAutoscroll);
    layout->addWidget(modes);
    layout->addWidget(size);
    layout->addStretch();
    return page;
}

QWidget* TOutputSizeForm::BuildControlBarPage()
{
    using namespace vantor::str;
    auto* page = Make<QWidget>(this, "tsControlBar");
    cbCreateControlBar = Make<QCheckBox>(page, "cbCreateControlBar", kVideoAddControlBar);
    cbCreateControlBar->setChecked(true);
    gbAlignV = MakeGroup(page, "gbAlignV", kVideoAlignVertically);
    rbAlignTop = Make<QRadioButton>(gbAlignV, "rbAlignTop", kVideoAlignTop);
    rbAlignTop->setChecked(true);
    rbAlignVCenter = Make<QRadioButton>(gbAlignV, "rbAlignVCenter", kVideoAlignVCenter);
    rbAlignBottom = Make<QRadioButton>(gbAlignV, "rbAlignBottom", kVideoAlignBottom);
    auto* v = new QVBoxLayout(gbAlignV);
    for (QRadioButton* button : { rbAlignTop, rbAlignVCenter, rbAlignBottom })
        v->addWidget(button);
    gbAlignH = MakeGroup(page, "gbAlignH", kVideoAlignHorizontally);
    rbAlignLeft = Make<QRadioButton>(gbAlignH, "rbAlignLeft", kVideoAlignLeft);
    rbAlignLeft->setChecked(true);
    rbAlignHCenter = Make<QRadioButton>(gbAlignH, "rbAlignHCenter", kVideoAlignHCenter);
    rbAlignRight = Make<QRadioButton>(gbAlignH, "rbAlignRight", kVideoAlignRight);
    auto* h = new QVBoxLayout(gbAlignH);
    for (QRadioButton* button : { rbAlignLeft, rbAlignHCenter, rbAlignRight })
        h->addWidget(button);
    cbAutoHide = Make<QCheckBox>(page, "cbAutoHide", kBarAutoHide);
    edtPrebuffer = MakeEdit(page, "edtPrebuffer", "30");
    auto* prebuffer = new QHBoxLayout;
    prebuffer->addWidget(Make<QLabel>(page, "lblPrebuffer", kVideoPrebuffer));
    prebuffer->addWidget(edtPrebuffer);
    prebuffer->addWidget(Make<QLabel>(page, "lblPrebufferUnit", kScalePercent));

    auto* layout = new QGridLayout(page);
    layout->addWidget(cbCreateControlBar, 0, 0, 1, 2);
    layout->addWidget(gbAlignV, 1, 0);
    layout->addWidget(gbAlignH, 1, 1);
    layout->addWidget(cbAutoHide, 2, 0, 1, 2);
    layout->addLayout(prebuffer, 3, 0, 1, 2);
    layout->setRowStretch(4, 1);
    return page;
}

QWidget* TOutputSizeForm::BuildMorePage()
{
    using namespace vantor::str;
    auto* page = Make<QWidget>(this, "tsMore");
    auto* extras = MakeGroup(page, "gbExtras", kVideoExtrasGroup);
    cbUseAVI10Format = Make<QCheckBox>(extras, "cbUseAVI10Format");
    lblUseAVI10Format = Make<QLabel>(extras, "lblUseAVI10Format", kVideoUseAvi10);
    lblUseAVI10Format->installEventFilter(this);
    cbHighlightMouseClicks = Make<QCheckBox>(extras, "cbHighlightMouseClicks", kVideoHighlightClicks);
    cbHighlightMouseClicks->setVisible(false);
    auto* grid = new QGridLayout(extras);
    grid->addWidget(cbUseAVI10Format, 0, 0, Qt::AlignTop);
    grid->addWidget(lblUseAVI10Format, 0, 1);
    grid->addWidget(cbHighlightMouseClicks, 1, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(extras);
    layout->addStretch();
    return page;
}
