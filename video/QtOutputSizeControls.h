#pragma once

// The controls and handlers that the AVI/QuickTime options dialog and the
// WMV options dialog share: output size, frame rate, frame range and
// autoscroll. OutputSizeRules decides, in the variant each dialog gives;
// these handlers show. Each dialog builds the widgets on its own pages and
// connects them to the handlers.

#include "video/OutputSizeRules.h"

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

class TOutputSizeControls : public QDialog {
public:
    // Set by the drivers on every use: choosing Pixels then clears and
    // disables "Keep aspect ratio".
    bool UnlockAspectInPixels = false;

    void SetMovieSize(int width, int height);
    void SetScalePercents(float widthPercent, float heightPercent);
    void SetScalePixels(int width, int height);
    float GetWidthPercent() const;
    float GetHeightPercent() const;
    // 0 in percent mode.
    int GetOutputWidth() const;
    int GetOutputHeight() const;
    void SetFrameRate(int fullRate, int customRate, int mode);
    // Returns the effective rate.
    int GetFrameRate(int* customRate, int* mode) const;
    void SetFrameRateCaptions(int fullRate);
    void SetFrameRange(int frameCount, int from, int to);
    void SetAutoscroll(int width, int height, int mode);
    // Returns the mode: 0 off, 1 mouse in centre, 4 mouse near centre.
    int GetAutoscroll(int* width, int* height) const;

    // Output size.
    QGroupBox* gbExportFrames = nullptr;
    QRadioButton* rbExportFrames = nullptr;
    QSpinBox* edtFromFrame = nullptr;
    QSpinBox* edtToFrame = nullptr;
    QRadioButton* rbScaleToPercents = nullptr;
    QRadioButton* rbScaleToPixels = nullptr;
    QSpinBox* OutWidth = nullptr;
    QSpinBox* OutHeight = nullptr;
    QLabel* lblWidthUnit = nullptr;
    QLabel* lblHeightUnit = nullptr;
    QLabel* lblOutMovieSize = nullptr;
    QCheckBox* KeepAspect = nullptr;

    // Frame rate.
    QRadioButton* rbFullFrame = nullptr;
    QRadioButton* rb2Frame = nullptr;
    QRadioButton* rb4Frame = nullptr;
    QRadioButton* rbCustomFrame = nullptr;
    QSpinBox* CustomRate = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* Label11 = nullptr;

    // Autoscroll.
    QCheckBox* cbAutoscroll = nullptr;
    QRadioButton* rbMouseInCenter = nullptr;
    QRadioButton* rbMouseNearCenter = nullptr;
    QPushButton* btnGetFromCropRect = nullptr;
    QLabel* lblAutoscrollNote = nullptr;
    QSpinBox* AutoScrollWidth = nullptr;
    QSpinBox* AutoScrollHeight = nullptr;

    // Event handlers, by the design's names.
    void OutWidthChange();
    void OutHeightChange();
    void UpdateScaling();
    void UpdateFrameRateControls();
    void rbExportMovieClick();
    void edtFromFrameChange();
    void edtToFrameChange();
    void cbAutoscrollClick();
    void UpdateAutoscrollNote();

protected:
    TOutputSizeControls(vantor::video::OutputSizeVariant variant, QWidget* parent);
    // The QuickTime rounding of the AVI dialog's QuickTime mode.
    virtual bool QuickTimeScaling() const { return false; }
    void UpdateMovieSizeLabel();

    vantor::video::OutputSizeRules m_rules;
    int m_fullFrameRate = 25;
    int m_frameCount = 1;
    bool m_updating = false;
};
