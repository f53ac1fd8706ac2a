// The window's run report: item states across a run, the summary with its
// link to the destination folder, and the list's Delete and Ctrl+A keys.

#include "MainFormFixture.h"

#include "app/EngineFailureInterface.h"
#include "app/QtRunReport.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTest>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace vantor {
namespace {

// A scripted engine that also says why its last command failed.
class ReasonEngine final : public test::ScriptedEngine, public IPlayerEngineFailure {
public:
    std::string reason;

    int QueryInterface(const char* id, void** object) override
    {
        if (std::string(id) != IID_IPlayerEngineFailure)
            return platform::E_NOINTERFACE;
        *object = static_cast<IPlayerEngineFailure*>(this);
        return platform::S_OK;
    }
    unsigned AddRef() override { return 1; }
    unsigned Release() override { return 0; }
    int LastFailureReason(char* buffer, int size) override
    {
        std::snprintf(buffer, static_cast<std::size_t>(size), "%s", reason.c_str());
        return static_cast<int>(reason.size());
    }
    int Initialize(int, platform::WindowHandle, int) override { return 0; }
    int OpenMovie(const char*) override { return 0; }
    int CloseMovie() override { return 0; }
    int ExportFlash(const char*, const char*) override { return 0; }
    int ExportAVI(const char*, const char*) override { return 0; }
    int Cancel() override { return 0; }
    int ConvertMovie(const char*, const char*) override { return 0; }
    int ExportWMV(const char*, const char*) override { return 0; }
    int ExportQuickTime(const char*, const char*) override { return 0; }
};

class RunReportFormTest : public test::MainFormFixture {
protected:
    std::unique_ptr<TMainForm> MakeReasonForm()
    {
        TMainForm::Options options;
        options.programFolder = m_dir / "program";
        options.createEngine = [this] { return PlayerEngine(&reasonEngine); };
        return std::make_unique<TMainForm>(options);
    }
    static QStringList Tips(const QListWidget* list)
    {
        QStringList tips;
        for (int i = 0; i < list->count(); ++i)
            tips << list->item(i)->toolTip();
        return tips;
    }

    ReasonEngine reasonEngine;
};

TEST_F(RunReportFormTest, ItemStatesAcrossARunThenSummaryLinkAndKeys)
{
    auto form = MakeReasonForm();
    BatchRun& run = form->Batch();
    for (const char* name : { "a.vtr", "b.vtr", "c.vtr", "d.vtr" })
        form->AddMovie(Movie(name));
    form->edtDir->setText(QString::fromStdString(m_dir / "out folder"));
    EXPECT_EQ(Tips(form->lbxFiles), QStringList({ "", "", "", "" })) << "no run yet";

    struct Step {
        platform::UINT message;
        platform::WPARAM done;
        platform::LPARAM total;
        QStringList tips; // after the step
        const char* overallBar; // its start: the time left follows
    };
    const Step steps[] = {
        { ExportProgress, 1, 4, { "Working: 25%", "Waiting", "Waiting", "Waiting" }, "movie 1 of 4" },
        { ConvertSucceeded, 0, 0, { "Done", "Working: 0%", "Waiting", "Waiting" }, "movie 2 of 4, " },
        { ConvertSkipped, 0, 0, { "Done", "Skipped: already in the new format", "Working: 0%", "Waiting" },
            "movie 3 of 4, " },
        { OperationFailed, 0, 0,
            { "Done", "Skipped: already in the new format", "Failed: no space left on the device",
                "Working: 0%" },
            "movie 4 of 4, " },
    };
    run.Start(ExportFormat::Conversion);
    reasonEngine.reason = "no space left on the device";
    for (const Step& step : steps) {
        SCOPED_TRACE(step.overallBar);
        run.HandleNotification(step.message, step.done, step.total);
        EXPECT_EQ(Tips(form->lbxFiles), step.tips);
        EXPECT_TRUE(form->pbExportOverall->format().startsWith(step.overallBar))
            << form->pbExportOverall->format().toStdString();
    }
    run.CancelCurrent();
    run.HandleNotification(OperationCancelled, 0, 0);
    EXPECT_EQ(
        form->RunReport()->SummaryLabel()->text(), "1 exported, 1 skipped, 1 failed, 1 cancelled in 0:00");
    EXPECT_TRUE(form->RunReport()->SummaryLabel()->isVisibleTo(form.get()));
    EXPECT_TRUE(form->RunReport()->DestinationLink()->isVisibleTo(form.get()));

    // The link opens the destination through a stand-in xdg-open that
    // writes down what it was asked to open.
    const std::string bin = m_dir / "bin";
    test::WriteFile(bin + "/xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > \"$0.opened\"\n");
    std::filesystem::permissions(bin + "/xdg-open", std::filesystem::perms::owner_all);
    const std::string oldPath = std::getenv("PATH");
    setenv("PATH", bin.c_str(), 1);
    emit form->RunReport()->DestinationLink()->linkActivated("folder");
    setenv("PATH", oldPath.c_str(), 1);
    for (int wait = 0; wait < 500 && test::ReadFile(bin + "/xdg-open.opened").empty(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(test::ReadFile(bin + "/xdg-open.opened"), "file://" + m_dir.Path().string() + "/out%20folder");

    // Delete removes the selected movie; the others keep their states, a
    // new movie has none; Ctrl+A selects every item.
    form->lbxFiles->item(1)->setSelected(true);
    QTest::keyClick(form->lbxFiles, Qt::Key_Delete);
    form->AddMovie(Movie("e.vtr"));
    EXPECT_EQ(Tips(form->lbxFiles),
        QStringList({ "Done", "Failed: no space left on the device", "Cancelled", "" }));
    QTest::keyClick(form->lbxFiles, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(form->lbxFiles->selectedItems().size(), 4);
    QTest::keyClick(form->lbxFiles, Qt::Key_Delete);
    EXPECT_EQ(form->lbxFiles->count(), 0);
}

} // namespace
} // namespace vantor
