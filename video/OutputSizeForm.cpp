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

QString Format(int id, int first, int second = 0)
{
    char text[256];
    std::snprintf(text, sizeof text, LoadStr(id).c_str(), first, second);
    return QString::fromUtf8(text);
}

void ApplyField(QSpinBox* spin, const SizeField& field)
{
    spin->setRange(field.minimum, std::max(field.minimum, field.maximum));
    spin->setSingleStep(field.step);
    if (auto* edit = spin->findChild<QLineEdit*>()) {
        edit->setMaxLength(field.maxLength);
        edit->setReadOnly(!field.typing);
    }
    spin->setValue(field.value);
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
    : QDialog(parent)
{
    TraceMethod trace("TOutputSizeForm::TOutputSizeForm");
    setObjectName("OutputSizeForm");
    setWindowTitle(Text(vantor::str::kAviOptionsCaption));
    BuildPages();
    UnlockAspectInPixels = false;
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

void TOutputSizeForm::SetMovieSize(int width, int height)
{
    m_rules.SetMovieSize(width, height);
    AutoScrollWidth->setMaximum(std::max(AutoScrollWidth->minimum(), width));
    AutoScrollHeight->setMaximum(std::max(AutoScrollHeight->minimum(), height));
}

void TOutputSizeForm::SetScalePercents(float widthPercent, float heightPercent)
{
    // Without a reference size there is nothing to scale in pixels or percent.
    const bool scalable = m_rules.SetScalePercents(widthPercent, heightPercent);
    rbScaleToPercents->setEnabled(scalable);
    rbScaleToPixels->setEnabled(scalable);
    UpdateScaling();
}

void TOutputSizeForm::SetScalePixels(int width, int height)
{
    m_rules.SetScalePixels(width, height);
    UpdateScaling();
}

float TOutputSizeForm::GetWidthPercent() const
{
    return m_rules.WidthPercent();
}

float TOutputSizeForm::GetHeightPercent() const
{
    return m_rules.HeightPercent();
}

int TOutputSizeForm::GetOutputWidth() const
{
    return rbScaleToPercents->isChecked() ? 0 : OutWidth->value();
}

int TOutputSizeForm::GetOutputHeight() const
{
    return rbScaleToPercents->isChecked() ? 0 : OutHeight->value();
}

void TOutputSizeForm::OutWidthChange()
{
    if (m_updating)
        return;
    m_updating = true;
    m_rules.WidthChanged(OutWidth->value(), rbScaleToPercents->isChecked());
    UpdateAutoscrollNote();
    UpdateScaling();
    m_updating = false;
}

void TOutputSizeForm::OutHeightChange()
{
    if (m_updating)
        return;
    m_updating = true;
    m_rules.HeightChanged(OutHeight->value(), rbScaleToPercents->isChecked(), KeepAspect->isChecked());
    UpdateAutoscrollNote();
    UpdateScaling();
    m_updating = false;
}

void TOutputSizeForm::UpdateScaling()
{
    m_rules.quickTimeMode = QuickTimeMode;
    m_rules.unlockAspectInPixels = UnlockAspectInPixels;
    const ScalingView view = m_rules.UpdateScaling(rbScaleToPercents->isChecked(), KeepAspect->isChecked());
    {
        const QSignalBlocker blocker(KeepAspect);
        KeepAspect->setEnabled(view.keepAspectEnabled);
        KeepAspect->setChecked(view.keepAspect);
    }
    const bool wasUpdating = m_updating;
    m_updating = true;
    ApplyField(OutWidth, view.width);
    ApplyField(OutHeight, view.height);
    const QString unit = Text(view.percentMode ? vantor::str::kScalePercent : vantor::str::kScalePixelUnit);
    lblWidthUnit->setText(unit);
    lblHeightUnit->setText(unit);
    UpdateMovieSizeLabel();
    lblOutMovieSize->setVisible(view.sizeLabelVisible);
    m_updating = wasUpdating;
}

void TOutputSizeForm::UpdateMovieSizeLabel()
{
    int width = 0;
    int height = 0;
    lblOutMovieSize->setText(m_rules.MovieSizeLabel(&width, &height)
            ? Format(vantor::str::kVideoMovieSizePixels, width, height)
            : "");
}

void TOutputSizeForm::UpdateAutoscrollNote()
{
    int width = 0;
    int height = 0;
    int autoscrollWidth = 0;
    int autoscrollHeight = 0;
    GetAutoscroll(&autoscrollWidth, &autoscrollHeight);
    if (!m_rules.AutoscrollNote(autoscrollWidth, autoscrollHeight, &width, &height)) {
        lblAutoscrollNote->setVisible(false);
        return;
    }
    lblAutoscrollNote->setText(
        Text(vantor::str::kAutoscrollScalingNote) + QString::number(width) + "x" + QString::number(height));
    lblAutoscrollNote->setVisible(true);
}

void TOutputSizeForm::SetFrameRate(int fullRate, int customRate, int mode)
{
    m_fullFrameRate = fullRate;
    CustomRate->setMaximum(std::max(CustomRate->minimum(), fullRate));
    CustomRate->setValue(std::min(customRate, fullRate));
    QRadioButton* const choices[] = { rbFullFrame, rb2Frame, rb4Frame, rbCustomFrame };
    if (mode >= 0 && mode < 4)
        choices[mode]->setChecked(true);
    UpdateFrameRateControls();
}

int TOutputSizeForm::GetFrameRate(int* customRate, int* mode) const
{
    *mode = rbFullFrame->isChecked() ? 0 : rb2Frame->isChecked() ? 1 : rb4Frame->isChecked() ? 2 : 3;
    *customRate = CustomRate->value();
    return EffectiveFrameRate(m_fullFrameRate, *mode, *customRate);
}

void TOutputSizeForm::SetFrameRateCaptions(int fullRate)
{
    rbFullFrame->setText(Format(vantor::str::kFrameRateFull, fullRate));
    rb2Frame->setText(Format(vantor::str::kFrameRateHalf, fullRate / 2));
    rb4Frame->setText(Format(vantor::str::kFrameRateQuarter, fullRate / 4));
}

void TOutputSizeForm::UpdateFrameRateControls()
{
    const bool custom = rbCustomFrame->isChecked();
    Label10->setEnabled(custom);
    Label11->setEnabled(custom);
    CustomRate->setEnabled(custom);
}

void TOutputSizeForm::SetFrameRange(int frameCount, int from, int to)
{
    m_frameCount = frameCount;
    if (from == -1) {
        gbExportFrames->setVisible(false);
        return;
    }
    gbExportFrames->setVisible(true);
    edtFromFrame->setMaximum(std::max(0, frameCount - 1));
    edtToFrame->setMaximum(std::max(0, frameCount - 1));
    if (to == from) {
        edtFromFrame->setValue(0);
        edtToFrame->setValue(frameCount - 1);
    } else {
        edtFromFrame->setValue(from);
        edtToFrame->setValue(std::min(to, frameCount + from - 1));
        rbExportFrames->setChecked(true);
    }
}

void TOutputSizeForm::rbExportMovieClick()
{
    edtFromFrame->setEnabled(rbExportFrames->isChecked());
    edtToFrame->setEnabled(rbExportFrames->isChecked());
}

void TOutputSizeForm::edtFromFrameChange()
{
    if (edtToFrame->value() < edtFromFrame->value())
        edtToFrame->setValue(edtFromFrame->value());
}

void TOutputSizeForm::edtToFrameChange()
{
    if (edtFromFrame->value() > edtToFrame->value())
        edtFromFrame->setValue(edtToFrame->value());
}

void TOutputSizeForm::SetAutoscroll(int width, int height, int mode)
{
    AutoScrollWidth->setValue(width);
    AutoScrollHeight->setValue(height);
    cbAutoscroll->setChecked(mode != 0);
    if (mode == 1)
        rbMouseInCenter->setChecked(true);
    else if (mode == 4)
        rbMouseNearCenter->setChecked(true);
}

int TOutputSizeForm::GetAutoscroll(int* width, int* height) const
{
    *width = AutoScrollWidth->value();
    *height = AutoScrollHeight->value();
    if (!cbAutoscroll->isChecked())
        return 0;
    return rbMouseInCenter->isChecked() ? 1 : rbMouseNearCenter->isChecked() ? 4 : 0;
}

void TOutputSizeForm::cbAutoscrollClick()
{
    const bool on = cbAutoscroll->isChecked();
    for (QWidget* control : std::initializer_list<QWidget*> {
             rbMouseInCenter, rbMouseNearCenter, btnGetFromCropRect, AutoScrollWidth, AutoScrollHeight })
        control->setEnabled(on);
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
