// Saves pictures of the main window's run report: a conversion run in
// progress and the summary after it, in the language of the pack given (or
// English). The engine is a stand-in that accepts every command; the run's
// notifications are handed to the batch loop as the real engine posts them.
// Run under an X server (docs/make-run-report-screenshots.sh uses Xvfb).

#include "app/EngineFailureInterface.h"
#include "app/Language.h"
#include "app/MainForm.h"
#include "app/StringTable.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QScreen>
#include <QThread>

#include <cstdio>
#include <cstring>

namespace {

using namespace vantor;

class StandInEngine final : public IPlayerEngine, public IPlayerEngineFailure {
public:
    int QueryInterface(const char* id, void** object) override
    {
        if (std::strcmp(id, IID_IPlayerEngineFailure) != 0)
            return platform::E_NOINTERFACE;
        *object = static_cast<IPlayerEngineFailure*>(this);
        return platform::S_OK;
    }
    unsigned AddRef() override { return 1; }
    unsigned Release() override { return 0; }
    int LastFailureReason(char* buffer, int size) override
    {
        const char reason[]
            = "damaged movie \"/home/ann/Movies/Old demo.vtr\": the data ends at 12.400 s of 31.000 s";
        std::snprintf(buffer, static_cast<std::size_t>(size), "%s", reason);
        return static_cast<int>(sizeof reason - 1);
    }
    int Reserved3() override { return 1; }
    int Reserved4() override { return 1; }
    int Reserved5() override { return 1; }
    int Reserved6() override { return 1; }
    int Initialize(int, platform::WindowHandle, int) override { return 0; }
    int Reserved8() override { return 1; }
    int OpenMovie(const char*) override { return 0; }
    int CloseMovie() override { return 0; }
    int ExportFlash(const char*, const char*) override { return 0; }
    int Reserved12() override { return 1; }
    int Reserved13() override { return 1; }
    int Reserved14() override { return 1; }
    int Reserved15() override { return 1; }
    int ExportAVI(const char*, const char*) override { return 0; }
    int Cancel() override { return 0; }
    int Reserved18() override { return 1; }
    int ConvertMovie(const char*, const char*) override { return 0; }
    int ExportWMV(const char*, const char*) override { return 0; }
    int ExportQuickTime(const char*, const char*) override { return 0; }
};

void Settle(int ms)
{
    for (int i = 0; i < ms / 25; ++i) {
        QApplication::processEvents();
        QThread::msleep(25);
    }
}

bool Save(QWidget& window, const QString& path)
{
    Settle(500);
    if (window.screen()->grabWindow(window.winId()).save(path))
        return true;
    std::fprintf(stderr, "Cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "Usage: %s OUTPUT_PREFIX MOVIE_FOLDER [LANGUAGE_PACK]\n", argv[0]);
        return 2;
    }
    std::shared_ptr<const ResourceModule> module = ResourceModule::Program();
    if (argc > 3) {
        std::string error;
        module = ResourceModule::LoadFile(argv[3], error);
        if (!module) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
    }
    SetCurrentResourceModule(module);
    PointStringTableAt(module);
    QApplication application(argc, argv);
    StandInEngine engine;
    TMainForm::Options options;
    options.createEngine = [&engine] { return PlayerEngine(&engine); };
    TMainForm form(options);
    form.Batch().HandleNotification(EngineReady, 0, 0);
    const std::string folder = argv[2];
    for (const char* name : { "Welcome.vtr", "Product tour.vtz", "Old demo.vtr", "Setting up a project.vtr",
             "Exporting to Flash.vtr", "Recording sound.vtr", "Keyboard shortcuts.vtr" })
        form.AddMovie(folder + "/" + name);
    form.move(0, 0);
    form.resize(TMainForm::kDesignWidth, TMainForm::kDesignHeight + 40);
    form.show();
    Settle(500);

    BatchRun& run = form.Batch();
    run.Start(ExportFormat::Conversion);
    const platform::UINT ends[] = { ConvertSucceeded, ConvertSkipped, OperationFailed };
    for (const platform::UINT end : ends) {
        for (int done = 1; done <= 4; ++done) {
            QThread::msleep(300);
            run.HandleNotification(ExportProgress, done, 4);
        }
        run.HandleNotification(end, 0, 0);
    }
    QThread::msleep(300);
    run.HandleNotification(ExportProgress, 3, 10);
    form.lbxFiles->setCurrentRow(2);
    form.lbxFiles->item(2)->setSelected(false);
    const QString prefix = QString::fromLocal8Bit(argv[1]);
    if (!Save(form, prefix + "-progress.png"))
        return 1;
    run.CancelAll();
    run.HandleNotification(OperationCancelled, 0, 0);
    return Save(form, prefix + "-summary.png") ? 0 : 1;
}
