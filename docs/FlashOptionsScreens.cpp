// Saves a picture of every page of the Flash options dialog, prepared as a
// Flash export run prepares it from a settings file without keys. Run under
// an X server (docs/make-flash-screenshots.sh uses Xvfb): the pictures are
// grabs of the real window from the screen.

#include "app/Language.h"
#include "app/StringTable.h"
#include "flash/FlashExportSettings.h"
#include "flash/FlashOptionsForm.h"
#include "flash/FlashOptionsFormExchange.h"

#include <QApplication>
#include <QListWidget>
#include <QPixmap>
#include <QScreen>
#include <QThread>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "Usage: %s OUTPUT_FOLDER [CONTROL_BAR_FOLDER]\n", argv[0]);
        return 2;
    }
    vantor::SetCurrentResourceModule(vantor::ResourceModule::Program());
    QApplication application(argc, argv);
    // This tool is not in the program's folder: it is told where the bars are.
    TFlashOptionsForm form(nullptr, argc > 2 ? std::string(argv[2]) : vantor::ControlBarFolder());
    vantor::FlashExportSettings settings; // the default column
    vantor::PrepareFlashOptionsForm(form, settings, true);
    form.move(0, 0);
    form.show();
    const char* names[] = { "general", "playback", "video-quality", "audio", "playback-controls",
        "autoscroll", "html-template", "swf-file-generation", "more" };
    for (int page = 0; page < 9; ++page) {
        form.lvMain->setCurrentRow(page);
        for (int i = 0; i < 20; ++i) {
            QApplication::processEvents();
            QThread::msleep(25);
        }
        const QPixmap picture = form.screen()->grabWindow(form.winId());
        const QString path = QString::fromLocal8Bit(argv[1]) + "/flash-options-" + names[page] + ".png";
        if (!picture.save(path)) {
            std::fprintf(stderr, "Cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
