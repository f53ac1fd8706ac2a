// The output size, frame-rate, frame-range and autoscroll handlers shared by
// the AVI/QuickTime and the WMV options dialogs.

#include "video/QtOutputSizeControls.h"

#include "app/StringTable.h"
#include "strings/StringIds.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>

#include <algorithm>
#include <cstdio>
#include <initializer_list>

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

} // namespace

TOutputSizeControls::TOutputSizeControls(OutputSizeVariant variant, QWidget* parent)
    : QDialog(parent)
    , m_rules(variant)
{
}

void TOutputSizeControls::SetMovieSize(int width, int height)
{
    m_rules.SetMovieSize(width, height);
    AutoScrollWidth->setMaximum(std::max(AutoScrollWidth->minimum(), width));
    AutoScrollHeight->setMaximum(std::max(AutoScrollHeight->minimum(), height));
}

void TOutputSizeControls::SetScalePercents(float widthPercent, float heightPercent)
{
    // Without a reference size there is nothing to scale in pixels or percent.
    const bool scalable = m_rules.SetScalePercents(widthPercent, heightPercent);
    rbScaleToPercents->setEnabled(scalable);
    rbScaleToPixels->setEnabled(scalable);
    UpdateScaling();
}

void TOutputSizeControls::SetScalePixels(int width, int height)
{
    m_rules.SetScalePixels(width, height);
    UpdateScaling();
}

float TOutputSizeControls::GetWidthPercent() const
{
    return m_rules.WidthPercent();
}

float TOutputSizeControls::GetHeightPercent() const
{
    return m_rules.HeightPercent();
}

int TOutputSizeControls::GetOutputWidth() const
{
    return rbScaleToPercents->isChecked() ? 0 : OutWidth->value();
}

int TOutputSizeControls::GetOutputHeight() const
{
    return rbScaleToPercents->isChecked() ? 0 : OutHeight->value();
}

void TOutputSizeControls::OutWidthChange()
{
    if (m_updating)
        return;
    m_updating = true;
    m_rules.WidthChanged(OutWidth->value(), rbScaleToPercents->isChecked());
    UpdateAutoscrollNote();
    UpdateScaling();
    m_updating = false;
}

void TOutputSizeControls::OutHeightChange()
{
    if (m_updating)
        return;
    m_updating = true;
    m_rules.HeightChanged(OutHeight->value(), rbScaleToPercents->isChecked(), KeepAspect->isChecked());
    UpdateAutoscrollNote();
    UpdateScaling();
    m_updating = false;
}

void TOutputSizeControls::UpdateScaling()
{
    m_rules.quickTimeMode = QuickTimeScaling();
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

void TOutputSizeControls::UpdateMovieSizeLabel()
{
    int width = 0;
    int height = 0;
    lblOutMovieSize->setText(m_rules.MovieSizeLabel(&width, &height)
            ? Format(vantor::str::kVideoMovieSizePixels, width, height)
            : "");
}

void TOutputSizeControls::UpdateAutoscrollNote()
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

void TOutputSizeControls::SetFrameRate(int fullRate, int customRate, int mode)
{
    m_fullFrameRate = fullRate;
    CustomRate->setMaximum(std::max(CustomRate->minimum(), fullRate));
    CustomRate->setValue(std::min(customRate, fullRate));
    QRadioButton* const choices[] = { rbFullFrame, rb2Frame, rb4Frame, rbCustomFrame };
    if (mode >= 0 && mode < 4)
        choices[mode]->setChecked(true);
    UpdateFrameRateControls();
}

int TOutputSizeControls::GetFrameRate(int* customRate, int* mode) const
{
    *mode = rbFullFrame->isChecked() ? 0 : rb2Frame->isChecked() ? 1 : rb4Frame->isChecked() ? 2 : 3;
    *customRate = CustomRate->value();
    return EffectiveFrameRate(m_fullFrameRate, *mode, *customRate);
}

void TOutputSizeControls::SetFrameRateCaptions(int fullRate)
{
    rbFullFrame->setText(Format(vantor::str::kFrameRateFull, fullRate));
    rb2Frame->setText(Format(vantor::str::kFrameRateHalf, fullRate / 2));
    rb4Frame->setText(Format(vantor::str::kFrameRateQuarter, fullRate / 4));
}

void TOutputSizeControls::UpdateFrameRateControls()
{
    const bool custom = rbCustomFrame->isChecked();
    Label10->setEnabled(custom);
    Label11->setEnabled(custom);
    CustomRate->setEnabled(custom);
}

void TOutputSizeControls::SetFrameRange(int frameCount, int from, int to)
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

void TOutputSizeControls::rbExportMovieClick()
{
    edtFromFrame->setEnabled(rbExportFrames->isChecked());
    edtToFrame->setEnabled(rbExportFrames->isChecked());
}

void TOutputSizeControls::edtFromFrameChange()
{
    if (edtToFrame->value() < edtFromFrame->value())
        edtToFrame->setValue(edtFromFrame->value());
}

void TOutputSizeControls::edtToFrameChange()
{
    if (edtFromFrame->value() > edtToFrame->value())
        edtFromFrame->setValue(edtToFrame->value());
}

void TOutputSizeControls::SetAutoscroll(int width, int height, int mode)
{
    AutoScrollWidth->setValue(width);
    AutoScrollHeight->setValue(height);
    cbAutoscroll->setChecked(mode != 0);
    if (mode == 1)
        rbMouseInCenter->setChecked(true);
    else if (mode == 4)
        rbMouseNearCenter->setChecked(true);
}

int TOutputSizeControls::GetAutoscroll(int* width, int* height) const
{
    *width = AutoScrollWidth->value();
    *height = AutoScrollHeight->value();
    if (!cbAutoscroll->isChecked())
        return 0;
    return rbMouseInCenter->isChecked() ? 1 : rbMouseNearCenter->isChecked() ? 4 : 0;
}

void TOutputSizeControls::cbAutoscrollClick()
{
    const bool on = cbAutoscroll->isChecked();
    for (QWidget* control : std::initializer_list<QWidget*> {
             rbMouseInCenter, rbMouseNearCenter, btnGetFromCropRect, AutoScrollWidth, AutoScrollHeight })
        control->setEnabled(on);
}
