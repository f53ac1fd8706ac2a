// The "Playback controls" page: the preinstalled control bars and a
// customised SWF file, the check that a bar's movie places the "Controls"
// instance, the preview pictures and the operations of the export run. The
// list file rules are ControlBarList; the movie is read by SwfMovieReader.

#include "flash/FlashOptionsForm.h"
#include "flash/swf/ControlBarPreviews.h"
#include "flash/swf/JpegImage.h"
#include "flash/swf/SwfMovieReader.h"

#include "app/StringTable.h"
#include "app/WindowState.h"
#include "platform/Dialogs.h"
#include "strings/StringIds.h"
#include "support/Trace.h"

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>

using namespace vantor;

void TFlashOptionsForm::BuildControlBarList()
{
    TraceMethod trace("TFlashOptionsForm::BuildControlBarList");
    m_defaultswfs = ReadControlBarList(m_controlBarFolder);
    for (const ControlBarEntry& entry : m_defaultswfs)
        cbPreinstalled->addItem(QString::fromStdString(entry.description));
    if (!m_defaultswfs.empty()) {
        cbPreinstalled->setCurrentIndex(0);
        LoadPreinstalled(); // neither kind is chosen yet: loads nothing
    }
    if (!ControlBarAccepted())
        edtControlBar->clear();
    CheckControlBar(true);
}

void TFlashOptionsForm::LoadPreinstalled()
{
    if (!rbPreinstalled->isChecked())
        return;
    m_controlBarSwf.reset();
    const int index = cbPreinstalled->currentIndex();
    if (index >= 0 && index < static_cast<int>(m_defaultswfs.size())) {
        const std::string& listed = m_defaultswfs[static_cast<std::size_t>(index)].fileName;
        LoadControlBarMovie(
            m_controlBarFolder + "/" + (rbSingleSwf->isChecked() ? SingleSwfVariant(listed) : listed));
        ShowControlBarPreview(listed);
    }
    CheckControlBar(true);
    UpdateSizeLabels();
}

std::unique_ptr<SwfMovieReader> TFlashOptionsForm::ReadControlBarMovie(const std::string& path)
{
    auto reader = std::make_unique<SwfMovieReader>();
    reader->ReadFile(path, [this] {
        return platform::MessageBox(this, LoadStr(str::kNotEnoughMemory), LoadStr(str::kWarningTitle),
                   platform::MB_RETRYCANCEL | platform::MB_ICONWARNING)
            == platform::IDRETRY;
    });
    if (reader->HasInstance(kControlsInstanceName))
        return reader;
    TraceWarning("Control bar without the instance: %s", path.c_str());
    platform::MessageBox(this,
        LoadStr(str::kBarMissingInstance) + kControlsInstanceName + LoadStr(str::kBarMissingInstanceEnd),
        LoadStr(str::kErrorTitle), platform::MB_OK | platform::MB_ICONERROR);
    return nullptr;
}

bool TFlashOptionsForm::LoadControlBarMovie(const std::string& path)
{
    m_controlBarSwf.reset();
    m_controlBarSwf = ReadControlBarMovie(path);
    CheckControlBar(true);
    return ControlBarAccepted();
}

// Our three bars have a picture in the program; any other name clears it.
void TFlashOptionsForm::ShowControlBarPreview(const std::string& listedName)
{
    RgbImage image;
    const std::string_view resource = ControlBarPreviewResourceName(listedName);
    if (resource.empty() || !DecodeJpeg(FindJpegDataResource(resource), image)) {
        imgControlBarPreview->clear();
        return;
    }
    const QImage picture(image.rgb.data(), image.width, image.height, image.width * 3, QImage::Format_RGB888);
    imgControlBarPreview->setPixmap(QPixmap::fromImage(picture)); // copies the pixels
}

void TFlashOptionsForm::CustomClick(bool quiet)
{
    m_controlBarSwf.reset();
    if (!edtControlBar->text().isEmpty())
        LoadControlBarMovie(edtControlBar->text().toStdString());
    if (!ControlBarAccepted() && !quiet) {
        edtControlBar->clear();
        rbPreinstalled->setChecked(true);
    }
    CheckControlBar(false);
    UpdateSizeLabels();
}

void TFlashOptionsForm::btnSelectSwfClick()
{
    TraceMethod trace("TFlashOptionsForm::btnSelectSwfClick");
    platform::OpenFilesRequest request;
    request.filter = LoadStr(str::kBarSwfFilter);
    request.initialFolder = FlashOptionsSwfPath();
    const std::vector<std::string> files = platform::Dialogs().OpenFiles(this, request);
    if (!files.empty()) {
        const std::string& path = files.front();
        FlashOptionsSwfPath() = path.substr(0, path.rfind('/') + 1);
        // A movie without the instance leaves the previous choice as it was.
        if (std::unique_ptr<SwfMovieReader> reader = ReadControlBarMovie(path)) {
            m_controlBarSwf = std::move(reader);
            edtControlBar->setText(QString::fromStdString(path));
        }
    }
    CheckControlBar(true);
    UpdateSizeLabels();
}

void TFlashOptionsForm::CheckControlBar(bool full)
{
    const ControlBarStates states
        = DecideControlBar({ static_cast<int>(m_defaultswfs.size()), cbCreateControlBar->isChecked(),
            rbCustom->isChecked(), ControlBarAccepted(), cbControlBarPosition->isChecked() });
    rbPreinstalled->setEnabled(states.preinstalledEnabled);
    rbCustom->setEnabled(states.customEnabled);
    if (states.chooseCustom && !rbCustom->isChecked())
        rbCustom->setChecked(true);
    cbPreinstalled->setEnabled(states.listEnabled);
    edtControlBar->setEnabled(states.fileEnabled);
    btnSelectSwf->setEnabled(states.fileEnabled);
    if (!full)
        return;
    cbControlBarPosition->setEnabled(states.positionEnabled);
    rbBarTop->setEnabled(states.placementEnabled);
    rbBarBottom->setEnabled(states.placementEnabled);
    cbBarOver->setEnabled(states.placementEnabled);
    cbCreateControlBar->setEnabled(states.addEnabled);
}

int TFlashOptionsForm::ControlBarHeight() const
{
    const bool positionOn = cbControlBarPosition->isChecked() && cbControlBarPosition->isEnabled();
    if (!ControlBarAccepted() || !positionOn)
        return 0;
    return ControlBarAddedHeight(true, m_controlBarSwf->InstanceSize(kControlsInstanceName).height,
        positionOn, cbBarOver->isChecked(), cbCreateControlBar->isChecked());
}

void TFlashOptionsForm::SetControlBar(int type, const std::string& file)
{
    TraceMethod trace("TFlashOptionsForm::SetControlBar");
    edtControlBar->setText(QString::fromStdString(file));
    if (type < 0) {
        // Not quiet: a stored file that does not load gives way to the first
        // preinstalled bar, which the fallback loads.
        if (!m_defaultswfs.empty())
            cbPreinstalled->setCurrentIndex(0);
        m_customQuiet = false;
        if (rbCustom->isChecked())
            CustomClick(false);
        else
            rbCustom->setChecked(true);
        m_customQuiet = true;
        CheckControlBar(true);
        return;
    }
    if (!m_defaultswfs.empty())
        cbPreinstalled->setCurrentIndex(type < static_cast<int>(m_defaultswfs.size()) ? type : 0);
    if (rbPreinstalled->isChecked())
        LoadPreinstalled();
    else
        rbPreinstalled->setChecked(true);
    CheckControlBar(true);
}

int TFlashOptionsForm::GetControlBar(std::string& file) const
{
    file = edtControlBar->text().toStdString();
    if (rbCustom->isChecked())
        return -1;
    return std::max(cbPreinstalled->currentIndex(), 0);
}

void TFlashOptionsForm::SetAddControlBar(bool on)
{
    cbCreateControlBar->setChecked(on);
    if (cbCreateControlBar->isEnabled())
        AddControlBarClick();
}

bool TFlashOptionsForm::GetAddControlBar() const
{
    return ControlBarAccepted() && cbCreateControlBar->isChecked() && cbCreateControlBar->isEnabled()
        && cbControlBarPosition->isEnabled();
}
