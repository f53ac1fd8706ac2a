// Takes a picture of every page of the AVI options dialog and of the pages
// its QuickTime mode changes, of the codec chooser, of a codec's Configure
// box and of every page of the WMV options dialog, as the commands fill them
// with the default settings. Run under a display
// (scripts/video-screenshots.sh uses Xvfb); writes PNG files into the folder
// given as the argument.

#include "app/Language.h"
#include "app/StringTable.h"
#include "platform/ShellFolders.h"
#include "video/AviExportSettings.h"
#include "video/CVCustomICCompressorsDlg.h"
#include "video/CodecOptionsDlg.h"
#include "video/OutputSizeForm.h"
#include "video/QtAviExportDialogs.h"
#include "video/QtQuickTimeExportDialogs.h"
#include "video/QtWMVExportDialog.h"
#include "video/WMVExportForm.h"
#include "video/WMVExportLibrary.h"
#include "xml/XMLSettings.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPixmap>
#include <QTabWidget>

#include <cstdio>
#include <string>

namespace {

bool Save(QWidget& widget, const std::string& path)
{
    widget.show();
    QApplication::processEvents();
    const bool saved = widget.grab().save(QString::fromStdString(path));
    std::printf("%s %s\n", saved ? "wrote" : "could not write", path.c_str());
    return saved;
}

// The WMV options dialog over the export library beside the program, as
// the WMV command fills it for a first export.
bool SaveWmvPages(const std::string& folder)
{
    // The tool sits in buildtools/, the export library in bin/.
    vantor::WMVExportLibrarySources sources = vantor::TWMVExportLibrary::DefaultSources();
    sources.exportLibrary = platform::ExecutableFolder() + "/../bin/libWMVExport.so";
    vantor::TWMVExportLibrary library(sources);
    TWMVExportForm form(library.IsAvailable() ? &library.Functions() : nullptr);
    if (form.cbVideoCodec->count() == 0)
        std::printf("no Windows Media export library: the codec lists are empty\n");
    vantor::video::QtWMVExportDialog(form).Prepare(vantor::video::WmvExportSettings {});
    const char* names[] = { "general", "video", "video-quality", "audio", "autoscroll" };
    bool ok = true;
    form.show();
    for (int page = 0; page < 5; ++page) {
        form.PageControl->setCurrentIndex(page);
        ok &= Save(form, folder + "/wmv-options-" + names[page] + ".png");
    }
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: video-screenshots FOLDER\n");
        return 2;
    }
    vantor::SetCurrentResourceModule(vantor::ResourceModule::Program());
    QApplication application(argc, argv);
    const std::string folder = argv[1];
    bool ok = true;

    TOutputSizeForm form;
    vantor::video::QtAviExportDialogs(form, nullptr).Prepare(vantor::video::AviExportSettings {});
    const char* names[]
        = { "general", "frame-rate", "video-quality", "audio", "autoscroll", "flash", "more" };
    form.show();
    for (int page = 0; page < form.PageControl->count(); ++page) {
        if (!form.PageControl->isTabVisible(page))
            continue;
        form.PageControl->setCurrentIndex(page);
        ok &= Save(form, folder + "/avi-options-" + names[page] + ".png");
    }
    // The QuickTime command's mode of the same dialog, filled as with no
    // "QT.xml": its note above the scaling, its key frames and quality pages.
    form.hide();
    vantor::video::QuickTimeExportSettings quickTime;
    vantor::video::ReadQuickTimeExportSettings(TXMLSettings(false), quickTime);
    vantor::video::QtQuickTimeExportDialogs(form).Prepare(quickTime);
    form.show();
    for (QWidget* page : { form.tsGeneral, form.tsFrameRate, form.tsQT }) {
        const int index = form.PageControl->indexOf(page);
        form.PageControl->setCurrentIndex(index);
        ok &= Save(form, folder + "/quicktime-options-" + names[index] + ".png");
    }
    form.hide();

    platform::BITMAPINFOHEADER input;
    input.biWidth = input.biHeight = 400;
    input.biBitCount = 32;
    TCVCustomICCompressorsDlg chooser(nullptr, 7500, 250, platform::FourCCFromString("H264"), input);
    ok &= Save(chooser, folder + "/codec-chooser.png");
    if (const platform::CompressorEntry* h264
        = platform::FindCompressor(platform::FourCCFromString("H264"))) {
        TCodecOptionsDlg configure(*h264, nullptr);
        ok &= Save(configure, folder + "/codec-configure-h264.png");
    }
    ok &= SaveWmvPages(folder);
    return ok ? 0 : 1;
}
