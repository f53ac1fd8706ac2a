#include "video/CodecOptionsDlg.h"

#include "app/ForceDirectories.h"
#include "app/StringTable.h"
#include "platform/Dialogs.h"
#include "strings/StringIds.h"
#include "xml/XMLSettings.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <cstdio>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
}

namespace {

using vantor::LoadStr;

QString Printf(int id, const char* a, const char* b = "", const char* c = "", const char* d = "")
{
    char text[1024];
    std::snprintf(text, sizeof text, LoadStr(id).c_str(), a, b, c, d);
    return QString::fromUtf8(text);
}

int LabelOf(const std::string& name)
{
    using namespace vantor::str;
    if (name == "b")
        return kCodecBitRate;
    if (name == "g")
        return kCodecGop;
    return name == "profile" ? kCodecProfile : kCodecPreset;
}

struct ContextDeleter {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
using ContextPtr = std::unique_ptr<AVCodecContext, ContextDeleter>;

// Whether the encoder has the option: bit rate for every encoder with a
// quality scale, the key-frame interval for those with difference frames,
// profile and preset when the encoder itself defines them.
bool HasOption(const platform::CompressorEntry& entry, const AVCodec* codec, const std::string& name)
{
    if (name == "b")
        return entry.quality != platform::QualityScale::None;
    if (name == "g")
        return entry.defaultKeyFrameRate > 1;
    return codec->priv_class != nullptr
        && av_opt_find2(const_cast<AVClass**>(&codec->priv_class), name.c_str(), nullptr, 0,
               AV_OPT_SEARCH_FAKE_OBJ, nullptr)
        != nullptr;
}

std::string Key(const platform::CompressorEntry& entry, const std::string& name)
{
    return platform::FourCCToString(entry.fourcc) + "\\" + name;
}

platform::LRESULT Box(unsigned message, const platform::CompressorEntry& entry, std::uintptr_t parent)
{
    auto* owner = reinterpret_cast<QWidget*>(parent);
    if (message == platform::ICM_ABOUT) {
        const std::string fourcc = platform::FourCCToString(entry.fourcc);
        platform::MessageBox(owner,
            Printf(vantor::str::kCodecAboutText, entry.description, entry.encoder, fourcc.c_str(),
                av_version_info())
                .toStdString(),
            Printf(vantor::str::kCodecAboutCaption, entry.description).toStdString(),
            platform::MB_OK | platform::MB_ICONINFORMATION);
        return platform::ICERR_OK;
    }
    TCodecOptionsDlg dialog(entry, owner);
    dialog.exec();
    return platform::ICERR_OK;
}

} // namespace

TCodecOptionsDlg::TCodecOptionsDlg(const platform::CompressorEntry& entry, QWidget* parent)
    : QDialog(parent)
    , m_entry(entry)
{
    setObjectName("CodecOptionsDlg");
    setWindowTitle(Printf(vantor::str::kCodecConfigureCaption, entry.description));
    const AVCodec* codec = avcodec_find_encoder_by_name(entry.encoder);
    TXMLSettings store(false);
    store.ReadXMLSettingsFile(platform::CompressorOptionsFile());
    auto* form = new QFormLayout;
    for (const char* name : kCodecOptionNames) {
        if (codec == nullptr || !HasOption(entry, codec, name))
            continue;
        auto* field = new QLineEdit(QString::fromStdString(store.GetString(Key(entry, name), "")), this);
        field->setObjectName(QString("edt_") + name);
        field->setPlaceholderText(QString::fromStdString(LoadStr(vantor::str::kCodecDefaultValue)));
        form->addRow(QString::fromStdString(LoadStr(LabelOf(name))), field);
        fields[name] = field;
    }
    auto* note = new QLabel(QString::fromStdString(LoadStr(vantor::str::kCodecOptionsNote)), this);
    note->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &TCodecOptionsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(buttons);
}

void TCodecOptionsDlg::accept()
{
    // Each value must be one the encoder takes, or the export would fail
    // later with a less helpful message.
    const AVCodec* codec = avcodec_find_encoder_by_name(m_entry.encoder);
    ContextPtr context(avcodec_alloc_context3(codec));
    for (const auto& [name, field] : fields) {
        const std::string value = field->text().trimmed().toStdString();
        if (value.empty() || context == nullptr)
            continue;
        if (av_opt_set(context.get(), name.c_str(), value.c_str(), AV_OPT_SEARCH_CHILDREN) < 0) {
            platform::MessageBox(this, LoadStr(vantor::str::kCodecOptionInvalid) + value,
                windowTitle().toStdString(), platform::MB_ICONERROR);
            field->setFocus();
            return;
        }
    }
    const std::string file = platform::CompressorOptionsFile();
    vantor::ForceDirectories(file.substr(0, file.find_last_of('/')));
    TXMLSettings store(false);
    store.ReadXMLSettingsFile(file);
    for (const auto& [name, field] : fields)
        store.SetString(Key(m_entry, name), field->text().trimmed().toStdString());
    store.SaveFile(file);
    QDialog::accept();
}

namespace vantor::video {

void InstallCompressorBoxes()
{
    platform::SetCompressorBoxes(&Box);
}

} // namespace vantor::video
