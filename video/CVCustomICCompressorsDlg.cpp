#include "video/CVCustomICCompressorsDlg.h"

#include "app/StringTable.h"
#include "platform/Dialogs.h"
#include "strings/StringIds.h"
#include "support/HelpLauncher.h"
#include "support/Trace.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>

namespace vantor::video {

namespace {

constexpr std::uintptr_t kPseudoUncompressed = 1;
constexpr std::uintptr_t kLastPseudoHandle = 5;
constexpr int kMaxKeyFrameRate = 9999;

} // namespace

bool IsPseudoHandle(platform::HIC handle)
{
    const auto value = reinterpret_cast<std::uintptr_t>(handle);
    return value >= 1 && value <= kLastPseudoHandle;
}

platform::FOURCC PseudoHandleFourCC(platform::HIC handle)
{
    switch (reinterpret_cast<std::uintptr_t>(handle)) {
    case 1:
        return platform::kFourCCUncompressed;
    case 2:
        return platform::MakeFourCC('F', 'L', 'V', ' ');
    case 3:
        return platform::MakeFourCC('F', 'L', 'S', 'V');
    case 5:
        return platform::MakeFourCC('M', 'P', '4', ' ');
    default:
        return 0;
    }
}

void ReleaseCompVars(platform::COMPVARS& compvars)
{
    if (compvars.hic != nullptr && !IsPseudoHandle(compvars.hic))
        platform::ICClose(compvars.hic);
    compvars.hic = nullptr;
    compvars.lpbiOut.reset();
}

} // namespace vantor::video

namespace {

using namespace vantor::video;
using vantor::LoadStr;

QString Text(int id)
{
    return QString::fromStdString(LoadStr(id));
}

// Image size of a bitmap: rows padded to 32 bits.
std::uint32_t ImageSize(const platform::BITMAPINFOHEADER& header)
{
    const auto width = static_cast<std::uint32_t>(header.biWidth);
    const auto height = static_cast<std::uint32_t>(std::abs(header.biHeight));
    return ((width * header.biBitCount + 31) & ~31u) / 8 * height;
}

// The text as an integer; `fallback` when it is none.
int IntegerOf(const QString& text, int fallback)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? value : fallback;
}

} // namespace

TCVCustomICCompressorsDlg::TCVCustomICCompressorsDlg(QWidget* owner, int quality, int keyFrames,
    platform::FOURCC fourcc, platform::BITMAPINFOHEADER& input, ICInfoCall icInfo)
    : QDialog(owner)
    , m_owner(owner)
    , m_inputWidth(input.biWidth)
    , m_inputHeight(input.biHeight)
{
    TraceMethod trace("TCVCustomICCompressorsDlg::TCVCustomICCompressorsDlg");
    BuildForm();
    input.biWidth = (input.biWidth + 3) / 4 * 4;
    input.biHeight = (input.biHeight + 3) / 4 * 4;
    input.biSizeImage = ImageSize(input);

    cbxKeyFrameRate->setChecked(keyFrames != -1);
    lbxCompressors->clear();
    int fallback = 0;
    platform::ICINFO info;
    for (std::uint32_t i = 0; icInfo(platform::ICTYPE_VIDEO, i, &info); ++i) {
        platform::HIC handle = platform::ICOpen(info.fccType, info.fccHandler, platform::ICMODE_QUERY);
        if (handle == nullptr) {
            TraceWarning(
                "Compressor %s can not be opened", platform::FourCCToString(info.fccHandler).c_str());
            continue;
        }
        platform::ICGetInfo(handle, &info, sizeof info);
        if (platform::ICSendMessage(
                handle, platform::ICM_COMPRESS_QUERY, reinterpret_cast<std::uintptr_t>(&input), 0)
            != platform::ICERR_OK) {
            TraceLog("Compressor %s refuses the format", info.szDescription.c_str());
            platform::ICClose(handle);
            continue;
        }
        platform::ICGetInfo(handle, &info, sizeof info);
        auto* item = new QListWidgetItem(QString::fromStdString(info.szDescription), lbxCompressors);
        item->setData(Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(handle)));
        const int index = lbxCompressors->count() - 1;
        if (info.fccHandler == fourcc)
            lbxCompressors->setCurrentRow(index);
        if (info.fccHandler == platform::MakeFourCC('I', 'V', '5', '0')
            || info.fccHandler == platform::MakeFourCC('I', 'V', '5', '1'))
            fallback = index;
    }
    auto* uncompressed = new QListWidgetItem(Text(vantor::str::kCodecUncompressed), lbxCompressors);
    uncompressed->setData(Qt::UserRole, QVariant::fromValue(static_cast<quintptr>(kPseudoUncompressed)));
    if (fourcc == platform::kFourCCUncompressed)
        lbxCompressors->setCurrentRow(lbxCompressors->count() - 1);
    if (lbxCompressors->currentRow() < 0 && lbxCompressors->count() > 0)
        lbxCompressors->setCurrentRow(fallback);
    UpdateCodecControls();

    if (keyFrames != -1 && edtKeyFrameRate->isEnabled())
        edtKeyFrameRate->setText(QString::number(std::clamp(keyFrames, 1, kMaxKeyFrameRate)));
    if (quality != -1 && sbCompressionQuality->isEnabled())
        sbCompressionQuality->setValue(std::clamp(quality / 100, 0, 100));

    connect(lbxCompressors, &QListWidget::currentRowChanged, this,
        &TCVCustomICCompressorsDlg::lbxCompressorsClick);
}

TCVCustomICCompressorsDlg::~TCVCustomICCompressorsDlg()
{
    for (int i = 0; i < lbxCompressors->count(); ++i) {
        auto handle
            = reinterpret_cast<platform::HIC>(lbxCompressors->item(i)->data(Qt::UserRole).value<quintptr>());
        if (!IsPseudoHandle(handle))
            platform::ICClose(handle);
    }
    TraceLog("TCVCustomICCompressorsDlg::~TCVCustomICCompressorsDlg");
}

void TCVCustomICCompressorsDlg::BuildForm()
{
    using namespace vantor::str;
    setObjectName("CVCustomICCompressorsDlg");
    setWindowTitle(Text(kCodecCaption));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    auto* group = new QGroupBox(Text(kCodecGroup), this);
    lbxCompressors = new QListWidget(group);
    lbxCompressors->setObjectName("lbxCompressors");
    btnAbout = new QPushButton(Text(kCodecAbout), group);
    btnAbout->setObjectName("btnAbout");
    btnConfigure = new QPushButton(Text(kCodecConfigure), group);
    btnConfigure->setObjectName("btnConfigure");
    lblCompressionQuality1 = new QLabel(Text(kCodecQuality), group);
    lblCompressionQuality1->setObjectName("lblCompressionQuality1");
    sbCompressionQuality = new QScrollBar(Qt::Horizontal, group);
    sbCompressionQuality->setObjectName("sbCompressionQuality");
    sbCompressionQuality->setRange(0, 100);
    lblCompressionQuality = new QLabel("0", group);
    lblCompressionQuality->setObjectName("lblCompressionQuality");
    cbxKeyFrameRate = new QCheckBox(Text(kCodecKeyFrameEvery), group);
    cbxKeyFrameRate->setObjectName("cbxKeyFrameRate");
    cbxKeyFrameRate->setChecked(true);
    edtKeyFrameRate = new QLineEdit("0000", group);
    edtKeyFrameRate->setObjectName("edtKeyFrameRate");
    edtKeyFrameRate->setMaxLength(4);
    lblKeyFrameRate = new QLabel(Text(kFrames), group);
    lblKeyFrameRate->setObjectName("lblKeyFrameRate");
    auto* grid = new QGridLayout(group);
    grid->addWidget(lbxCompressors, 0, 0, 1, 3);
    auto* boxes = new QVBoxLayout;
    boxes->addWidget(btnAbout);
    boxes->addWidget(btnConfigure);
    boxes->addStretch();
    grid->addLayout(boxes, 0, 3);
    grid->addWidget(lblCompressionQuality1, 1, 0);
    grid->addWidget(sbCompressionQuality, 1, 1, 1, 2);
    grid->addWidget(lblCompressionQuality, 1, 3);
    grid->addWidget(cbxKeyFrameRate, 2, 0);
    grid->addWidget(edtKeyFrameRate, 2, 1);
    grid->addWidget(lblKeyFrameRate, 2, 2);

    btnOk = new QPushButton(Text(kOkButton), this);
    btnOk->setObjectName("btnOk");
    btnOk->setDefault(true);
    btnCancel = new QPushButton(Text(kCancelButton), this);
    btnCancel->setObjectName("btnCancel");
    HelpBtn = new QPushButton(Text(kHelpButton), this);
    HelpBtn->setObjectName("HelpBtn");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    buttons->addWidget(HelpBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);

    connect(btnAbout, &QPushButton::clicked, this, &TCVCustomICCompressorsDlg::btnAboutClick);
    connect(btnConfigure, &QPushButton::clicked, this, &TCVCustomICCompressorsDlg::btnConfigureClick);
    connect(sbCompressionQuality, &QScrollBar::valueChanged, this,
        &TCVCustomICCompressorsDlg::sbCompressionQualityChange);
    connect(cbxKeyFrameRate, &QCheckBox::toggled, this, &TCVCustomICCompressorsDlg::cbxKeyFrameRateClick);
    connect(btnOk, &QPushButton::clicked, this, &TCVCustomICCompressorsDlg::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpBtn, &QPushButton::clicked, this, &TCVCustomICCompressorsDlg::HelpBtnClick);
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, &TCVCustomICCompressorsDlg::HelpBtnClick);
}

platform::HIC TCVCustomICCompressorsDlg::SelectedHandle() const
{
    const QListWidgetItem* item = lbxCompressors->currentItem();
    if (item == nullptr)
        return nullptr;
    return reinterpret_cast<platform::HIC>(item->data(Qt::UserRole).value<quintptr>());
}

void TCVCustomICCompressorsDlg::UpdateCodecControls()
{
    const platform::HIC handle = SelectedHandle();
    QWidget* const keyControls[] = { cbxKeyFrameRate, edtKeyFrameRate, lblKeyFrameRate };
    QWidget* const qualityControls[]
        = { sbCompressionQuality, lblCompressionQuality, lblCompressionQuality1 };
    if (handle == nullptr) {
        for (QWidget* control : keyControls)
            control->setEnabled(false);
        for (QWidget* control : qualityControls)
            control->setEnabled(false);
        for (QWidget* control : { btnOk, btnConfigure, btnAbout })
            control->setEnabled(false);
        edtKeyFrameRate->setText("9999");
        sbCompressionQuality->setValue(100);
        return;
    }
    const auto pseudo = reinterpret_cast<std::uintptr_t>(handle);
    if (pseudo == 2 || pseudo == 3) {
        for (QWidget* control : keyControls)
            control->setEnabled(true);
        cbxKeyFrameRate->setChecked(true);
        for (QWidget* control : qualityControls)
            control->setEnabled(pseudo == 2);
        btnOk->setEnabled(true);
        btnConfigure->setEnabled(false);
        btnAbout->setEnabled(false);
        return;
    }
    const bool real = !IsPseudoHandle(handle);
    platform::ICINFO info;
    if (real)
        platform::ICGetInfo(handle, &info, sizeof info);
    const bool temporal = real && (info.dwFlags & platform::VIDCF_TEMPORAL) != 0;
    cbxKeyFrameRate->setEnabled(temporal);
    lblKeyFrameRate->setEnabled(temporal);
    edtKeyFrameRate->setEnabled(temporal && cbxKeyFrameRate->isChecked());
    std::uint32_t keyFrames = kMaxKeyFrameRate;
    if (real)
        platform::ICSendMessage(
            handle, platform::ICM_GETDEFAULTKEYFRAMERATE, reinterpret_cast<std::uintptr_t>(&keyFrames), 0);
    edtKeyFrameRate->setText(QString::number(keyFrames));

    const bool quality = real && (info.dwFlags & platform::VIDCF_QUALITY) != 0;
    lblCompressionQuality->setEnabled(quality);
    lblCompressionQuality1->setEnabled(quality);
    std::uint32_t defaultQuality = 10000;
    if (real)
        platform::ICSendMessage(
            handle, platform::ICM_GETDEFAULTQUALITY, reinterpret_cast<std::uintptr_t>(&defaultQuality), 0);
    sbCompressionQuality->setValue(static_cast<int>(defaultQuality / 100));
    sbCompressionQuality->setEnabled(quality);
    sbCompressionQualityChange();

    btnOk->setEnabled(true);
    btnConfigure->setEnabled(real
        && platform::ICSendMessage(handle, platform::ICM_CONFIGURE, platform::ICQUERY, 0)
            == platform::ICERR_OK);
    btnAbout->setEnabled(real
        && platform::ICSendMessage(handle, platform::ICM_ABOUT, platform::ICQUERY, 0) == platform::ICERR_OK);
}

void TCVCustomICCompressorsDlg::lbxCompressorsClick()
{
    UpdateCodecControls();
}

void TCVCustomICCompressorsDlg::btnConfigureClick()
{
    if (const platform::HIC handle = SelectedHandle())
        platform::ICSendMessage(handle, platform::ICM_CONFIGURE, reinterpret_cast<std::uintptr_t>(this), 0);
}

void TCVCustomICCompressorsDlg::btnAboutClick()
{
    if (const platform::HIC handle = SelectedHandle())
        platform::ICSendMessage(handle, platform::ICM_ABOUT, reinterpret_cast<std::uintptr_t>(this), 0);
}

void TCVCustomICCompressorsDlg::sbCompressionQualityChange()
{
    lblCompressionQuality->setText(QString::number(sbCompressionQuality->value()));
}

void TCVCustomICCompressorsDlg::cbxKeyFrameRateClick()
{
    edtKeyFrameRate->setEnabled(cbxKeyFrameRate->isChecked());
}

void TCVCustomICCompressorsDlg::btnOkClick()
{
    if (edtKeyFrameRate->isEnabled() && IntegerOf(edtKeyFrameRate->text(), 0) < 1) {
        QWidget* owner = m_owner != nullptr ? m_owner : this;
        platform::MessageBox(owner, LoadStr(vantor::str::kCodecKeyFrameRateInvalid),
            windowTitle().toStdString(), platform::MB_ICONERROR);
        return;
    }
    accept();
}

void TCVCustomICCompressorsDlg::HelpBtnClick()
{
    ShowHelpTopic(help_topic::kCodecs);
}

int TCVCustomICCompressorsDlg::Execute(bool skipDialog, platform::BITMAPINFOHEADER& input,
    platform::COMPVARS& compvars, platform::FOURCC* fourcc, int* keyFrames, int* quality, int* isDivX6)
{
    const int result = skipDialog ? QDialog::Accepted : exec();
    if (result != QDialog::Accepted)
        return result;
    const platform::HIC handle = SelectedHandle();
    if (handle == nullptr)
        return QDialog::Rejected;
    TraceLog("%s Codec selected: %s", "TCVCustomICCompressorsDlg::Execute",
        lbxCompressors->currentItem()->text().toUtf8().constData());
    const bool real = !IsPseudoHandle(handle);
    platform::ICINFO info;
    if (real)
        platform::ICGetInfo(handle, &info, sizeof info);
    const platform::FOURCC chosen = real ? info.fccHandler : PseudoHandleFourCC(handle);
    if (fourcc != nullptr)
        *fourcc = chosen;
    if (keyFrames != nullptr)
        *keyFrames = edtKeyFrameRate->isEnabled() ? IntegerOf(edtKeyFrameRate->text(), -1) : -1;
    if (quality != nullptr)
        *quality = sbCompressionQuality->isEnabled() ? sbCompressionQuality->value() * 100 : -1;

    compvars.dwFlags = platform::ICMF_COMPVARS_VALID;
    compvars.hic = real ? platform::ICOpen(platform::ICTYPE_VIDEO, info.fccHandler, platform::ICMODE_COMPRESS)
                        : handle;
    compvars.fccType = platform::ICTYPE_VIDEO;
    compvars.fccHandler = chosen;
    compvars.lKey = cbxKeyFrameRate->isChecked() ? IntegerOf(edtKeyFrameRate->text(), 0) : 0;
    compvars.lDataRate = 300;
    const int q = sbCompressionQuality->value() * 100;
    compvars.lQ = q < 2 ? 1 : q;
    compvars.lpbiOut.reset();
    if (real && compvars.hic != nullptr) {
        const platform::LRESULT size = platform::ICSendMessage(
            compvars.hic, platform::ICM_COMPRESS_GET_FORMAT, reinterpret_cast<std::uintptr_t>(&input), 0);
        if (size >= static_cast<platform::LRESULT>(sizeof(platform::BITMAPINFOHEADER))) {
            compvars.lpbiOut = std::make_unique<platform::BITMAPINFOHEADER>();
            platform::ICSendMessage(compvars.hic, platform::ICM_COMPRESS_GET_FORMAT,
                reinterpret_cast<std::uintptr_t>(&input),
                reinterpret_cast<std::uintptr_t>(compvars.lpbiOut.get()));
        }
    }
    if (chosen == platform::MakeFourCC('c', 'v', 'i', 'd')) {
        input.biHeight = m_inputHeight % 4 == 0 ? m_inputHeight + 1 : m_inputHeight;
        input.biSizeImage = ImageSize(input);
    } else if (chosen == platform::MakeFourCC('d', 'i', 'v', 'x') && isDivX6 != nullptr) {
        platform::ICGetInfo(handle, &info, sizeof info);
        if (info.szDescription.find("DivX\u00AE 6.") != std::string::npos)
            *isDivX6 = 1;
    }
    return QDialog::Accepted;
}

bool CVCustomICCompressorChoose(QWidget* owner, platform::BITMAPINFOHEADER& input,
    platform::COMPVARS& compvars, bool skipDialog, platform::FOURCC* fourcc, int* keyFrames, int* quality,
    int* isDivX6, QWidget* centreOn)
{
    TraceMethod trace("CVCustomICCompressorChoose");
    TCVCustomICCompressorsDlg dialog(owner, quality != nullptr ? *quality : -1,
        keyFrames != nullptr ? *keyFrames : -1, fourcc != nullptr ? *fourcc : 0, input);
    if (centreOn != nullptr) {
        dialog.adjustSize();
        dialog.move(centreOn->geometry().center() - dialog.rect().center());
    }
    return dialog.Execute(skipDialog, input, compvars, fourcc, keyFrames, quality, isDivX6)
        == QDialog::Accepted;
}
