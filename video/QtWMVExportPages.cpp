// The pages of TWMVExportForm in their designed state: captions from the
// string table, ranges, steps, checked and enabled states.

#include "app/StringTable.h"
#include "strings/StringIds.h"
#include "video/WMVExportForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
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

QGroupBox* MakeGroup(QWidget* parent, const char* name, int textId)
{
    auto* group = new QGroupBox(Text(textId), parent);
    group->setObjectName(name);
    return group;
}

// A drop-down list: the user picks an item and cannot type.
QComboBox* MakeList(QWidget* parent, const char* name)
{
    auto* combo = Make<QComboBox>(parent, name);
    combo->setEditable(false);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return combo;
}

} // namespace

void TWMVExportForm::BuildPages()
{
    using namespace vantor::str;
    PageControl = Make<QTabWidget>(this, "PageControl");
    PageControl->setUsesScrollButtons(false);
    tsGeneral = BuildGeneralPage();
    tsVideo = BuildVideoPage();
    thVideoCodec = BuildQualityPage();
    tsAudio = BuildAudioPage();
    tsAutoscroll = BuildAutoscrollPage();
    tsMore = BuildMorePage();
    PageControl->addTab(tsGeneral, Text(kPageGeneral));
    PageControl->addTab(tsVideo, Text(kPageVideo));
    PageControl->addTab(thVideoCodec, Text(kPageVideoQuality));
    PageControl->addTab(tsAudio, Text(kPageAudio));
    PageControl->addTab(tsAutoscroll, Text(kPageAutoscroll));
    PageControl->addTab(tsMore, Text(kPageMore));

    OK = Make<QPushButton>(this, "OK", kVideoExportButton);
    OK->setDefault(true);
    Cancel = Make<QPushButton>(this, "Cancel", kCancelButton);
    HelpBtn = Make<QPushButton>(this, "HelpBtn", kHelpButton);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OK);
    buttons->addWidget(Cancel);
    buttons->addWidget(HelpBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl);
    layout->addLayout(buttons);
}

QWidget* TWMVExportForm::BuildGeneralPage()
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
    frames->addWidget(rbExportMovie, 0, 0, 1, 5);
    frames->addWidget(rbExportFrames, 1, 0);
    frames->addWidget(Make<QLabel>(gbExportFrames, "lblFrom", kFramesStart), 1, 1);
    frames->addWidget(edtFromFrame, 1, 2);
    frames->addWidget(Make<QLabel>(gbExportFrames, "lblTo", kFramesEnd), 1, 3);
    frames->addWidget(edtToFrame, 1, 4);

    gbScaling = MakeGroup(page, "gbScaling", kVideoScalingGroup);
    rbScaleToPercents = Make<QRadioButton>(gbScaling, "rbScaleToPercents", kScalePercent);
    rbScaleToPercents->setChecked(true);
    rbScaleToPixels = Make<QRadioButton>(gbScaling, "rbScaleToPixels", kScalePixels);
    OutWidth = MakeSpin(gbScaling, "OutWidth", 1, 100, 100, 5);
    OutHeight = MakeSpin(gbScaling, "OutHeight", 1, 100, 100, 5);
    lblWidthUnit = Make<QLabel>(gbScaling, "lblWidthUnit", kScalePercent);
    lblHeightUnit = Make<QLabel>(gbScaling, "lblHeightUnit", kScalePercent);
    lblOutMovieSize = Make<QLabel>(gbScaling, "lblOutMovieSize");
    KeepAspect = Make<QCheckBox>(gbScaling, "KeepAspect", kKeepAspectRatio);
    KeepAspect->setChecked(true);
    auto* scaling = new QGridLayout(gbScaling);
    scaling->addWidget(rbScaleToPercents, 0, 0);
    scaling->addWidget(rbScaleToPixels, 0, 1);
    scaling->addWidget(Make<QLabel>(gbScaling, "lblWidth", kAutoscrollWidth), 1, 0);
    scaling->addWidget(OutWidth, 1, 1);
    scaling->addWidget(lblWidthUnit, 1, 2);
    scaling->addWidget(Make<QLabel>(gbScaling, "lblHeight", kAutoscrollHeight), 2, 0);
    scaling->addWidget(OutHeight, 2, 1);
    scaling->addWidget(lblHeightUnit, 2, 2);
    scaling->addWidget(lblOutMovieSize, 3, 0, 1, 3);
    scaling->addWidget(KeepAspect, 4, 0, 1, 3);
    scaling->setColumnStretch(3, 1);

    // With the frame range hidden the scaling group moves to the top.
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(gbExportFrames);
    layout->addWidget(gbScaling);
    layout->addStretch();
    return page;
}

QWidget* TWMVExportForm::BuildVideoPage()
{
    using namespace vantor::str;
    auto* page = Make<QWidget>(this, "tsVideo");
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

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(GroupBox2);
    layout->addStretch();
    return page;
}

QWidget* TWMVExportForm::BuildQualityPage()
{
    using namespace vantor::str;
    auto* page = Make<QWidget>(this, "thVideoCodec");
    cbVideoCodec = MakeList(page, "cbVideoCodec");
    lbVideoNumPasses = Make<QLabel>(page, "lbVideoNumPasses", kWmvPassesLabel);
    cbVideoNumPasses = MakeList(page, "cbVideoNumPasses");
    cbxVideoVBR = Make<QCheckBox>(page, "cbxVideoVBR", kWmvVariableBitRateBox);
    lblVideoQuality = Make<QLabel>(page, "lblVideoQuality", kVideoQualityLabel);
    sbVideoQuality = MakeSpin(page, "sbVideoQuality", 1, 100, 100, 10);
    lblVideoBitrate = Make<QLabel>(page, "lblVideoBitrate", kWmvBitrateLabel);
    sbVideoBitrate = MakeSpin(page, "sbVideoBitrate", 4, 20000, 600, 100);
    if (auto* edit = sbVideoBitrate->findChild<QLineEdit*>())
        edit->setMaxLength(5);
    lblVideoBitrate2 = Make<QLabel>(page, "lblVideoBitrate2", kWmvKBitsPerSec);

    auto* grid = new QGridLayout;
    grid->addWidget(Make<QLabel>(page, "lblVideoCodec", kWmvVideoCodecLabel), 0, 0);
    grid->addWidget(cbVideoCodec, 0, 1, 1, 2);
    grid->addWidget(lbVideoNumPasses, 1, 0);
    grid->addWidget(cbVideoNumPasses, 1, 1);
    grid->addWidget(cbxVideoVBR, 2, 0, 1, 3);
    grid->addWidget(lblVideoQuality, 3, 0);
    grid->addWidget(sbVideoQuality, 3, 1);
    grid->addWidget(lblVideoBitrate, 4, 0);
    grid->addWidget(sbVideoBitrate, 4, 1);
    grid->addWidget(lblVideoBitrate2, 4, 2);
    grid->setColumnStretch(3, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(grid);
    layout->addStretch();
    return page;
}

QWidget* TWMVExportForm::BuildAudioPage()
{
    using namespace vantor::str;
    auto* page = Make<QWidget>(this, "tsAudio");
    cbSound = Make<QCheckBox>(page, "cbSound", kSoundExport);
    cbAudioCodec = MakeList(page, "cbAudioCodec");
    cbAudioFormat = MakeList(page, "cbAudioFormat");
    cbAudioNumPasses = MakeList(page, "cbAudioNumPasses");
    cbxAudioVBR = Make<QCheckBox>(page, "cbxAudioVBR", kWmvVbr);
    lblAudioQualityBitrate = Make<QLabel>(page, "lblAudioQualityBitrate", kWmvBitrateLabel);
    cbAudioQualityBitrate = MakeList(page, "cbAudioQualityBitrate");

    auto* grid = new QGridLayout;
    grid->addWidget(Make<QLabel>(page, "lblAudioCodec", kWmvAudioCodecLabel), 0, 0);
    grid->addWidget(cbAudioCodec, 0, 1, 1, 2);
    grid->addWidget(Make<QLabel>(page, "lblAudioFormat", kWmvAudioFormatLabel), 1, 0);
    grid->addWidget(cbAudioFormat, 1, 1, 1, 2);
    grid->addWidget(Make<QLabel>(page, "lblAudioNumPasses", kWmvPassesLabel), 2, 0);
    grid->addWidget(cbAudioNumPasses, 2, 1);
    grid->addWidget(cbxAudioVBR, 2, 2);
    grid->addWidget(lblAudioQualityBitrate, 3, 0);
    grid->addWidget(cbAudioQualityBitrate, 3, 1);
    grid->setColumnStretch(3, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(cbSound);
    layout->addLayout(grid);
    layout->addStretch();
    return page;
}

QWidget* TWMVExportForm::BuildAutoscrollPage()
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
    // Down to 10: the command shows and saves a smaller stored size as 10.
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

QWidget* TWMVExportForm::BuildMorePage()
{
    using namespace vantor::str;
    auto* page = Make<QWidget>(this, "tsMore");
    auto* extras = MakeGroup(page, "gbExtras", kVideoExtrasGroup);
    extras->setVisible(false);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(extras);
    layout->addStretch();
    return page;
}
