#pragma once

// Main windows built for widget tests: a scripted engine object in place of the plugin, a dialog
// script, an empty program folder (nothing to register) and no stored
// window state unless the test writes one.

#include "QtTestApplication.h"
#include "ScriptedDialogs.h"
#include "ScriptedEngine.h"
#include "TestEnvironment.h"
#include "app/MainForm.h"
#include "app/WindowState.h"
#include "xml/XMLSettings.h"

#include <QApplication>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

namespace vantor::test {

class MainFormFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        std::filesystem::remove(StateFile());
        std::filesystem::create_directories(m_dir.Path() / "program");
    }
    void TearDown() override { std::filesystem::remove(StateFile()); }

    static std::string StateFile() { return TXMLSettings::UserFilePath(kMainSettingsApplication); }

    // withEngine false: the engine object cannot be created.
    std::unique_ptr<TMainForm> MakeForm(bool withEngine = true)
    {
        TMainForm::Options options;
        options.programFolder = m_dir / "program";
        options.createEngine = [this, withEngine] {
            if (!withEngine)
                return PlayerEngine();
            engine.AddRef();
            return PlayerEngine(&engine);
        };
        options.wmvExportAvailable = [this] { return ++wmvAsked, wmvAvailable; };
        options.quickTimeInstalled = [this] { return quickTimeInstalled; };
        auto form = std::make_unique<TMainForm>(options);
        if (withFlashCommand)
            form->SetExportCommand(ExportFormat::FlashSWF, [] {});
        return form;
    }

    // A movie file that exists.
    std::string Movie(const std::string& name)
    {
        WriteFile(m_dir.Path() / name, "movie");
        return m_dir / name;
    }

    static void Activate(TMainForm& form)
    {
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(&form, &activate);
    }

    TempDir m_dir;
    ScriptedDialogs dialogs;
    ScriptedEngine engine;
    bool wmvAvailable = false;
    bool quickTimeInstalled = false;
    bool withFlashCommand = true;
    int wmvAsked = 0;
};

} // namespace vantor::test
