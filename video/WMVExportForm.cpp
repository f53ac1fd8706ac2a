#include "video/WMVExportForm.h"

#include "app/StringTable.h"
#include "strings/StringIds.h"
#include "support/HelpLauncher.h"
#include "support/Trace.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>

namespace {

using vantor::AudioFormatRecord;
using vantor::LoadStr;
using vantor::VideoFormatRecord;
using namespace vantor::video;

QString Text(int id)
{
    return QString::fromStdString(LoadStr(id));
}

// Rebuilds a list without running its selection rule.
void Fill(QComboBox* combo, const WmvList& list)
{
    const QSignalBlocker blocker(combo);
    combo->clear();
    for (const WmvItem& item : list.items)
        combo->addItem(QString::fromStdString(item.text), item.object);
    combo->setCurrentIndex(list.selected);
}

// The item whose object is `object`, selected only when it is there.
void SelectObject(QComboBox* combo, int object)
{
    const int index = combo->findData(object);
    if (index >= 0) {
        const QSignalBlocker blocker(combo);
        combo->setCurrentIndex(index);
    }
}

void SetChecked(QCheckBox* box, bool checked)
{
    const QSignalBlocker blocker(box);
    box->setChecked(checked);
}

int SelectedObject(const QComboBox* combo, int none = 0)
{
    return combo->currentIndex() >= 0 ? combo->currentData().toInt() : none;
}

WmvFormat ViewOf(const AudioFormatRecord& record)
{
    WmvFormat format;
    format.vbr = record.vbr != 0;
    format.passes = record.passes;
    format.samplesPerSec = static_cast<int>(record.waveFormat.samplesPerSec);
    format.channels = record.waveFormat.channels;
    format.rate = static_cast<int>(record.waveFormat.avgBytesPerSec);
    return format;
}

} // namespace

TWMVExportForm::TWMVExportForm(const vantor::WMVExportFunctions* library, QWidget* parent)
    : TOutputSizeControls(vantor::video::kWmvFormVariant, parent)
    , m_library(library)
{
    TraceMethod trace("TWMVExportForm::FormCreate");
    setObjectName("WMVExportForm");
    setWindowTitle(Text(vantor::str::kWmvOptionsCaption));
    BuildPages();
    UnlockAspectInPixels = false;
    PageControl->setTabVisible(PageControl->indexOf(tsMore), false);
    Connect();
    FillCodecLists();
}

TWMVExportForm::~TWMVExportForm()
{
    TraceMethod trace("TWMVExportForm::FormDestroy");
    if (vantor::WMVCatalogueSink() == this)
        vantor::SetWMVCatalogueSink(nullptr);
    vantor::ClearList(m_videoFormats);
    vantor::ClearList(m_audioFormats);
}

const vantor::WMVExportFunctions* TWMVExportForm::AvailableLibrary()
{
    return vantor::IsWMVExportAvailable() ? &vantor::WMVExport() : nullptr;
}

void TWMVExportForm::FillCodecLists()
{
    if (m_library == nullptr)
        return;
    TraceLog("%s Wmv export available", "TWMVExportForm::FormCreate");
    vantor::SetWMVCatalogueSink(this);
    const int defaultVideo = m_library->EnumAvailableWMVideoCodecs(vantor::WMVExportVideoCallback);
    const int defaultAudio = m_library->EnumAvailableWMAudioCodecs(vantor::WMVExportAudioCallback);
    for (auto [combo, defaultId] :
        { std::pair { cbVideoCodec, defaultVideo }, { cbAudioCodec, defaultAudio } }) {
        if (combo->count() == 0)
            continue;
        combo->setCurrentIndex(0);
        SelectObject(combo, defaultId);
    }
    if (cbVideoCodec->currentIndex() >= 0)
        cbVideoCodecSelect(false);
    if (cbAudioCodec->currentIndex() >= 0)
        cbAudioCodecSelect(false);
}

void TWMVExportForm::AddVideoCodec(const std::string& name, int id)
{
    const QSignalBlocker blocker(cbVideoCodec);
    cbVideoCodec->addItem(QString::fromStdString(name), id);
}

void TWMVExportForm::AddAudioCodec(const std::string& name, int id)
{
    const QSignalBlocker blocker(cbAudioCodec);
    cbAudioCodec->addItem(QString::fromStdString(name), id);
}

void TWMVExportForm::Connect()
{
    connect(cbVideoCodec, &QComboBox::activated, this, [this] { cbVideoCodecSelect(true); });
    connect(cbAudioCodec, &QComboBox::activated, this, [this] { cbAudioCodecSelect(true); });
    connect(cbxVideoVBR, &QCheckBox::toggled, this, [this] { UpdateVideoSettings(1); });
    connect(cbVideoNumPasses, &QComboBox::activated, this, [this] { UpdateVideoSettings(2); });
    connect(cbxAudioVBR, &QCheckBox::toggled, this, [this] { UpdateAudioSettings(1); });
    connect(cbAudioNumPasses, &QComboBox::activated, this, [this] { UpdateAudioSettings(2); });
    connect(cbAudioFormat, &QComboBox::activated, this, [this] { UpdateAudioSettings(3); });
    connect(cbSound, &QCheckBox::toggled, this, &TWMVExportForm::cbSoundClick);

    connect(OutWidth, &QSpinBox::valueChanged, this, &TWMVExportForm::OutWidthChange);
    connect(OutHeight, &QSpinBox::valueChanged, this, &TWMVExportForm::OutHeightChange);
    connect(KeepAspect, &QCheckBox::toggled, this, &TWMVExportForm::UpdateScaling);
    // A radio group runs its rule once, for the choice that became checked.
    const auto whenChecked = [this](QRadioButton* button, void (TWMVExportForm::*rule)()) {
        connect(button, &QRadioButton::toggled, this, [this, rule](bool checked) {
            if (checked)
                (this->*rule)();
        });
    };
    whenChecked(rbScaleToPercents, &TWMVExportForm::UpdateScaling);
    whenChecked(rbScaleToPixels, &TWMVExportForm::UpdateScaling);
    for (QRadioButton* rate : { rbFullFrame, rb2Frame, rb4Frame, rbCustomFrame })
        whenChecked(rate, &TWMVExportForm::UpdateFrameRateControls);
    whenChecked(rbExportMovie, &TWMVExportForm::rbExportMovieClick);
    whenChecked(rbExportFrames, &TWMVExportForm::rbExportMovieClick);
    connect(edtFromFrame, &QSpinBox::valueChanged, this, &TWMVExportForm::edtFromFrameChange);
    connect(edtToFrame, &QSpinBox::valueChanged, this, &TWMVExportForm::edtToFrameChange);
    connect(cbAutoscroll, &QCheckBox::toggled, this, &TWMVExportForm::cbAutoscrollClick);
    connect(AutoScrollWidth, &QSpinBox::valueChanged, this, &TWMVExportForm::UpdateAutoscrollNote);
    connect(AutoScrollHeight, &QSpinBox::valueChanged, this, &TWMVExportForm::UpdateAutoscrollNote);

    connect(OK, &QPushButton::clicked, this, &QDialog::accept);
    connect(Cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpBtn, &QPushButton::clicked, this, &TWMVExportForm::HelpBtnClick);
    // F1 works on every control of the dialog.
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setContext(Qt::WindowShortcut);
    connect(f1, &QShortcut::activated, this, &TWMVExportForm::HelpBtnClick);
}

std::vector<WmvFormat> TWMVExportForm::VideoFormats() const
{
    std::vector<WmvFormat> formats;
    for (int i = 0; i < m_videoFormats.Count(); ++i) {
        const auto* record = static_cast<const VideoFormatRecord*>(m_videoFormats.Get(i));
        WmvFormat format;
        format.vbr = record->vbr != 0;
        format.passes = record->passes;
        formats.push_back(format);
    }
    return formats;
}

std::vector<WmvFormat> TWMVExportForm::AudioFormats() const
{
    std::vector<WmvFormat> formats;
    for (int i = 0; i < m_audioFormats.Count(); ++i)
        formats.push_back(ViewOf(*static_cast<const AudioFormatRecord*>(m_audioFormats.Get(i))));
    return formats;
}

std::optional<int> TWMVExportForm::SelectedAudioFormat() const
{
    if (cbAudioFormat->currentIndex() < 0)
        return std::nullopt;
    return cbAudioFormat->currentData().toInt();
}

void TWMVExportForm::cbVideoCodecSelect(bool user)
{
    vantor::ClearList(m_videoFormats);
    if (m_library != nullptr && cbVideoCodec->currentIndex() >= 0) {
        vantor::SetWMVCatalogueSink(this);
        m_library->EnumAvailableWMVideoCodecFormats(
            cbVideoCodec->currentData().toInt(), vantor::WMVExportVideoFormatCallback);
    }
    UpdateVideoSettings(user ? 0 : -1);
}

void TWMVExportForm::cbAudioCodecSelect(bool user)
{
    vantor::ClearList(m_audioFormats);
    if (m_library != nullptr && cbAudioCodec->currentIndex() >= 0) {
        vantor::SetWMVCatalogueSink(this);
        m_library->EnumAvailableWMAudioCodecFormats(
            cbAudioCodec->currentData().toInt(), vantor::WMVExportAudioFormatCallback);
    }
    UpdateAudioSettings(user ? 0 : -1);
}

void TWMVExportForm::UpdateVideoSettings(int level)
{
    using namespace vantor::str;
    const std::vector<WmvFormat> formats = VideoFormats();
    // The cascade sets the check box itself and goes on; its click rule
    // would only run the later stages twice.
    if (level < 0)
        SetChecked(cbxVideoVBR, true);
    if (level < 1) {
        const bool anyVbr = AnyVbr(formats);
        cbxVideoVBR->setEnabled(anyVbr);
        if (!anyVbr)
            SetChecked(cbxVideoVBR, false);
    }
    if (level < 2)
        Fill(
            cbVideoNumPasses, PassItems(formats, cbxVideoVBR->isChecked(), cbVideoNumPasses->currentIndex()));
    if (level < 3) {
        const bool twoPasses = SelectedObject(cbVideoNumPasses) == 2;
        cbxVideoVBR->setText(Text(twoPasses ? kWmvSecondPassVbr : kWmvVariableBitrate));
        lblVideoBitrate->setText(Text(twoPasses ? kWmvFirstPassBitrate : kWmvBitrate) + ":");
        const bool bitrate = !cbxVideoVBR->isChecked() || twoPasses;
        for (QWidget* control :
            std::initializer_list<QWidget*> { lblVideoBitrate, sbVideoBitrate, lblVideoBitrate2 })
            control->setVisible(bitrate);
    }
}

void TWMVExportForm::UpdateAudioSettings(int level)
{
    using namespace vantor::str;
    const std::vector<WmvFormat> formats = AudioFormats();
    if (level < 0)
        SetChecked(cbxAudioVBR, true);
    if (level < 1) {
        const bool anyVbr = AnyVbr(formats);
        cbxAudioVBR->setEnabled(anyVbr);
        if (!anyVbr)
            SetChecked(cbxAudioVBR, false);
    }
    if (level < 2)
        Fill(
            cbAudioNumPasses, PassItems(formats, cbxAudioVBR->isChecked(), cbAudioNumPasses->currentIndex()));
    const bool vbr = cbxAudioVBR->isChecked();
    const auto passes = static_cast<unsigned>(SelectedObject(cbAudioNumPasses));
    if (level < 3) {
        lblAudioQualityBitrate->setText(Text(vbr && passes == 1 ? kWmvQuality : kWmvBitrate));
        Fill(cbAudioFormat, AudioFormatItems(formats, vbr, passes, SelectedAudioFormat()));
    }
    if (level < 4) {
        const std::optional<int> format = SelectedAudioFormat();
        Fill(cbAudioQualityBitrate,
            format ? QualityBitrateItems(formats, vbr, passes, *format, SelectedObject(cbAudioQualityBitrate))
                   : WmvList {});
    }
}

void TWMVExportForm::SetVideoFormat(int codecId, int vbr, int passes, int bitrate, int quality)
{
    if (codecId != 0 && cbVideoCodec->findData(codecId) >= 0) {
        SelectObject(cbVideoCodec, codecId);
        cbVideoCodecSelect(false);
    }
    SetChecked(cbxVideoVBR, vbr != 0);
    UpdateVideoSettings(1);
    {
        const QSignalBlocker blocker(cbVideoNumPasses);
        cbVideoNumPasses->setCurrentIndex(cbVideoNumPasses->findData(passes));
    }
    UpdateVideoSettings(2);
    sbVideoBitrate->setValue(bitrate / 1000);
    sbVideoQuality->setValue(quality);
}

void TWMVExportForm::GetVideoFormat(int* codecId, int* vbr, int* passes, int* bitrate, int* quality) const
{
    *codecId = SelectedObject(cbVideoCodec);
    *vbr = cbxVideoVBR->isChecked() ? 1 : 0;
    *passes = SelectedObject(cbVideoNumPasses);
    *bitrate = static_cast<int>(sbVideoBitrate->value() * 1000.0);
    *quality = sbVideoQuality->value();
}

void TWMVExportForm::SetAudioFormat(int codecId, int formatId, int vbr, int passes)
{
    if (codecId != 0 && cbAudioCodec->findData(codecId) >= 0) {
        SelectObject(cbAudioCodec, codecId);
        cbAudioCodecSelect(false);
    }
    const AudioFormatRecord* found = nullptr;
    for (int i = 0; i < m_audioFormats.Count() && found == nullptr; ++i) {
        const auto* record = static_cast<const AudioFormatRecord*>(m_audioFormats.Get(i));
        if (record->formatId == formatId && (record->vbr != 0) == (vbr != 0)
            && record->passes == static_cast<unsigned>(passes))
            found = record;
    }
    if (found == nullptr)
        return;
    // A choice the rebuilt lists no longer hold leaves the cascade's own.
    const WmvFormat format = ViewOf(*found);
    SelectObject(cbAudioFormat, AudioFormatObject(format.samplesPerSec / 1000, format.channels));
    UpdateAudioSettings(3);
    SelectObject(cbAudioNumPasses, passes);
    UpdateAudioSettings(2);
    if (cbxAudioVBR->isEnabled()) {
        SetChecked(cbxAudioVBR, vbr != 0);
        UpdateAudioSettings(1);
    }
    SelectObject(cbAudioQualityBitrate, AudioQualityValue(format));
}

void TWMVExportForm::GetAudioFormat(int* codecId, int* formatId, int* vbr, int* passes) const
{
    *codecId = SelectedObject(cbAudioCodec);
    if (const AudioFormatRecord* record = SelectedAudioRecord()) {
        *formatId = record->formatId;
        *vbr = record->vbr != 0 ? 1 : 0;
        *passes = static_cast<int>(record->passes);
    }
}

const AudioFormatRecord* TWMVExportForm::SelectedAudioRecord() const
{
    const std::optional<int> pair = SelectedAudioFormat();
    if (!pair || cbAudioNumPasses->currentIndex() < 0 || cbAudioQualityBitrate->currentIndex() < 0)
        return nullptr;
    const bool vbr = cbxAudioVBR->isChecked();
    const auto passes = static_cast<unsigned>(SelectedObject(cbAudioNumPasses));
    const int value = SelectedObject(cbAudioQualityBitrate);
    for (int i = 0; i < m_audioFormats.Count(); ++i) {
        const auto* record = static_cast<const AudioFormatRecord*>(m_audioFormats.Get(i));
        const WmvFormat format = ViewOf(*record);
        if (AudioFormatObject(format.samplesPerSec / 1000, format.channels) == *pair && format.vbr == vbr
            && format.passes == passes && AudioQualityValue(format) == value)
            return record;
    }
    return nullptr;
}

void TWMVExportForm::cbSoundClick()
{
    const bool on = cbSound->isChecked();
    for (QWidget* control : std::initializer_list<QWidget*> {
             cbAudioCodec, cbAudioFormat, cbAudioNumPasses, cbAudioQualityBitrate })
        control->setEnabled(on);
    if (on)
        UpdateAudioSettings(0);
    else
        cbxAudioVBR->setEnabled(false);
}

void TWMVExportForm::HelpBtnClick()
{
    ShowHelpTopic(help_topic::kWmv);
}

void TWMVExportForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TWMVExportForm::FormShow()
{
    PageControl->setCurrentIndex(0);
    UpdateFrameRateControls();
    cbAutoscrollClick();
    UpdateAutoscrollNote();
    cbSoundClick();
}

void TWMVExportForm::SetMaxOutputSize(int width, int height)
{
    m_rules.SetMaxOutputSize(width, height);
    UpdateScaling();
}
