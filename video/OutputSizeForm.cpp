#include "video/OutputSizeForm.h"

#include "app/StringTable.h"
#include "strings/StringIds.h"
#include "support/HelpLauncher.h"
#include "support/Trace.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>

#include <algorithm>
#include <cstdio>

namespace {

using vantor::LoadStr;
using namespace vantor::video;

QString Text(int id)
{
    return QString::fromStdString(LoadStr(id));
}

// The integer in `edit`, or `fallback` when its text is no integer.
int IntegerOf(const QLineEdit* edit, int fallback)
{
    bool ok = false;
    const int value = edit->text().trimmed().toInt(&ok);
    return ok ? value : fallback;
}

} // namespace

TOutputSizeForm::TOutputSizeForm(QWidget* parent)
    : TOutputSizeControls(vantor::video::kOutputSizeFormVariant, parent)
{
    TraceMethod trace("TOutputSizeForm::TOutputSizeForm");
    setObjectName("OutputSizeForm");
    setWindowTitle(Text(vantor::str::kAviOptionsCaption));
    BuildPages();
    for (const SoundFormatFlag& entry : SoundFormatFlags)
        cbSoundFormat->addItem(Text(entry.textId), entry.flag);
    Connect();
    UpdateQuickTimeControls();
    tbQualityChange();
    QuickTimeMode = false;
}

TOutputSizeForm::~TOutputSizeForm() = default;

void TOutputSizeForm::Connect()
{
    connect(OutWidth, &QSpinBox::valueChanged, this, &TOutputSizeForm::OutWidthChange);
    connect(OutHeight, &QSpinBox::valueChanged, this, &TOutputSizeForm::OutHeightChange);
    connect(KeepAspect, &QCheckBox::toggled, this, &TOutputSizeForm::UpdateScaling);
    // A radio pair runs its rule once, for the choice that became checked.
    const auto whenChecked = [this](QRadioButton* button, void (TOutputSizeForm::*rule)()) {
        connect(button, &QRadioButton::toggled, this, [this, rule](bool checked) {
            if (checked)
                (this->*rule)();
        });
    };
    whenChecked(rbScaleToPercents, &TOutputSizeForm::UpdateScaling);
    whenChecked(rbScaleToPixels, &TOutputSizeForm::UpdateScaling);
    for (QRadioButton* rate : { rbFullFrame, rb2Frame, rb4Frame, rbCustomFrame })
        whenChecked(rate, &TOutputSizeForm::UpdateFrameRateControls);
    whenChecked(rbExportMovie, &TOutputSizeForm::rbExportMovieClick);
    whenChecked(rbExportFrames, &TOutputSizeForm::rbExportMovieClick);
    connect(edtFromFrame, &QSpinBox::valueChanged, this, &TOutputSizeForm::edtFromFrameChange);
    connect(edtToFrame, &QSpinBox::valueChanged, this, &TOutputSizeForm::edtToFrameChange);
    connect(cbAutoscroll, &QCheckBox::toggled, this, &TOutputSizeForm::cbAutoscrollClick);
    connect(AutoScrollWidth, &QSpinBox::valueChanged, this, &TOutputSizeForm::UpdateAutoscrollNote);
    connect(AutoScrollHeight, &QSpinBox::valueChanged, this, &TOutputSizeForm::UpdateAutoscrollNote);
    connect(btnGetFromCropRect, &QPushButton::clicked, this, &TOutputSizeForm::btnGetFromCropRectClick);
    connect(cbSound, &QCheckBox::toggled, this, &TOutputSizeForm::cbSoundClick);
    for (QRadioButton* choice : { rdUseBestFormat, rdUseWorstFormat, rdUseExplicitFormat })
        whenChecked(choice, &TOutputSizeForm::rdSoundFormatClick);
    connect(UseMP3Check, &QCheckBox::toggled, this, &TOutputSizeForm::UpdateMP3Controls);
    for (QRadioButton* choice : { rbRateAuto, rbRateAverage, rbRateManual, rbH263, rbScreenVideo })
        whenChecked(choice, &TOutputSizeForm::UpdateQuickTimeControls);
    connect(cbCreateControlBar, &QCheckBox::toggled, this, &TOutputSizeForm::UpdateQuickTimeControls);
    connect(tbQuality, &QSlider::valueChanged, this, &TOutputSizeForm::tbQualityChange);
    connect(cbExportUseGroups, &QCheckBox::toggled, this, &TOutputSizeForm::cbExportUseGroupsClick);
    connect(OK, &QPushButton::clicked, this, &QDialog::accept);
    connect(Cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpBtn, &QPushButton::clicked, this, &TOutputSizeForm::HelpBtnClick);
    // F1 works on every control of the dialog.
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setContext(Qt::WindowShortcut);
    connect(f1, &QShortcut::activated, this, &TOutputSizeForm::HelpBtnClick);
}

void TOutputSizeForm::SetVisibleSize(int width, int height)
{
    m_visibleWidth = width;
    m_visibleHeight = height;
}

void TOutputSizeForm::btnGetFromCropRectClick()
{
    AutoScrollWidth->setValue(m_visibleWidth);
    AutoScrollHeight->setValue(m_visibleHeight);
}

void TOutputSizeForm::SetMP3Enabled(bool available)
{
    UseMP3Check->setEnabled(available);
    if (!available)
        UseMP3Check->setChecked(false);
    UpdateMP3Controls();
}

int TOutputSizeForm::GetSoundCompression(int* profile) const
{
    *profile = IndexToProfile(cbMP3Profile->currentIndex());
    return UseMP3Check->isChecked() ? kWaveFormatMp3 : kWaveFormatPcm;
}

void TOutputSizeForm::cbSoundClick()
{
    const bool on = cbSound->isChecked();
    for (QWidget* control : std::initializer_list<QWidget*> {
             rdUseBestFormat, rdUseWorstFormat, rdUseExplicitFormat, UseMP3Check })
        control->setEnabled(on);
    rdSoundFormatClick();
    UpdateMP3Controls();
}

void TOutputSizeForm::rdSoundFormatClick()
{
    cbSoundFormat->setEnabled(rdUseExplicitFormat->isChecked() && rdUseExplicitFormat->isEnabled());
}

void TOutputSizeForm::UpdateMP3Controls()
{
    cbMP3Profile->setEnabled(UseMP3Check->isChecked() && UseMP3Check->isEnabled());
}

void TOutputSizeForm::SetDataRate(int type, int rate, int maxRate, int minRate)
{
    if (type == 0)
        rbRateAuto->setChecked(true);
    else if (type == 1)
        rbRateAverage->setChecked(true);
    else if (type == 2)
        rbRateManual->setChecked(true);
    edtDateRate->setText(QString::number(rate));
    edtDateRateMax->setText(QString::number(maxRate));
    edtDateRateMin->setText(QString::number(minRate));
}

void TOutputSizeForm::GetDataRate(int* type, int* rate, int* maxRate, int* minRate) const
{
    if (rbRateAuto->isChecked())
        *type = 0;
    else if (rbRateAverage->isChecked())
        *type = 1;
    else if (rbRateManual->isChecked())
        *type = 2;
    *rate = IntegerOf(edtDateRate, *rate);
    *maxRate = IntegerOf(edtDateRateMax, *maxRate);
    *minRate = IntegerOf(edtDateRateMin, *minRate);
}

void TOutputSizeForm::UpdateQuickTimeControls()
{
    const bool average = rbRateAverage->isChecked();
    const bool manual = rbRateManual->isChecked();
    edtDateRate->setEnabled(average);
    lbKB1->setEnabled(average);
    for (QWidget* control : std::initializer_list<QWidget*> {
             edtDateRateMax, edtDateRateMin, lbKB2, lbKB3, lbMAXRate, lbMINRate })
        control->setEnabled(manual);
    const bool quality = !rbScreenVideo->isChecked();
    for (QWidget* control : std::initializer_list<QWidget*> { lbQuality, tbQuality, lbLowest, lbHighest })
        control->setEnabled(quality);
    const bool bar = cbCreateControlBar->isChecked();
    for (QWidget* control : std::initializer_list<QWidget*> { gbAlignH, gbAlignV, rbAlignTop, rbAlignVCenter,
             rbAlignBottom, rbAlignLeft, rbAlignHCenter, rbAlignRight, cbAutoHide })
        control->setEnabled(bar);
}

void TOutputSizeForm::tbQualityChange()
{
    lblPercent->setText(QString::number(QualityPercent(tbQuality->value(), tbQuality->maximum()))
        + Text(vantor::str::kVideoPercentSuffix));
}

void TOutputSizeForm::lblUseAVI10FormatClick()
{
    cbUseAVI10Format->toggle();
}

void TOutputSizeForm::cbExportUseGroupsClick()
{
    Label3->setEnabled(cbExportUseGroups->isChecked());
}

void TOutputSizeForm::HelpBtnClick()
{
    ShowHelpTopic(QuickTimeMode ? help_topic::kQuickTime : help_topic::kAviFormat);
}

bool TOutputSizeForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lblUseAVI10Format && event->type() == QEvent::MouseButtonRelease && isEnabled()) {
        lblUseAVI10FormatClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TOutputSizeForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TOutputSizeForm::FormShow()
{
    // The QuickTime note sits above the scaling controls; the layout moves
    // them down when it shows.
    lblQTNote->setVisible(QuickTimeMode);
    Label3->setEnabled(cbExportUseGroups->isChecked());
    PageControl->setCurrentIndex(0);
    UpdateFrameRateControls();
    cbAutoscrollClick();
    UpdateAutoscrollNote();
    cbSoundClick();
}
