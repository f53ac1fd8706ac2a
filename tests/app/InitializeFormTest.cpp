#include "MainFormFixture.h"

#include "app/InitializeForm.h"

#include <QLabel>

namespace {

using namespace vantor;
using vantor::test::MainFormFixture;

class InitializeFormTest : public MainFormFixture {
protected:
    static void Activate(TMainForm& form)
    {
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(&form, &activate);
    }
};

TEST_F(InitializeFormTest, SplashIsASmallTopmostToolWindowTheUserCannotClose)
{
    TInitializeForm splash;
    EXPECT_EQ(splash.windowTitle().toStdString(), "Initialising");
    EXPECT_EQ(splash.lblPleaseWait->text().toStdString(), "Please, wait...");
    EXPECT_EQ(splash.size(), QSize(185, 49));
    EXPECT_EQ(splash.minimumSize(), splash.maximumSize());
    const Qt::WindowFlags flags = splash.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_FALSE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowSystemMenuHint));
    EXPECT_EQ(splash.windowModality(), Qt::ApplicationModal);

    splash.ShowOver(nullptr);
    ASSERT_TRUE(splash.isVisible());
    EXPECT_FALSE(splash.close());
    splash.reject(); // Escape
    EXPECT_TRUE(splash.isVisible());
    splash.CloseSplash();
    EXPECT_FALSE(splash.isVisible());
}

TEST_F(InitializeFormTest, ActivationShowsTheSplashUntilTheEngineIsReady)
{
    auto form = MakeForm();
    auto* splash = new TInitializeForm(form.get());
    form->SetInitializeForm(splash);
    form->show();

    Activate(*form);
    ASSERT_TRUE(splash->isVisible());
    EXPECT_TRUE(splash->isModal());
    const QPoint centre = form->frameGeometry().center();
    EXPECT_LE(std::abs(splash->frameGeometry().center().x() - centre.x()), 2);
    EXPECT_LE(std::abs(splash->frameGeometry().center().y() - centre.y()), 2);
    Activate(*form); // already shown: stays as it is
    EXPECT_TRUE(splash->isVisible());

    ASSERT_TRUE(engine.Post(EngineReady));
    DeliverPosted();
    EXPECT_FALSE(splash->isVisible());
    EXPECT_FALSE(form->Batch().WaitingForEngine());

    Activate(*form);
    EXPECT_FALSE(splash->isVisible());
}

TEST_F(InitializeFormTest, NoSplashAfterInitializeFailed)
{
    engine.results["Initialize"] = { kEngineNotFound };
    auto form = MakeForm();
    auto* splash = new TInitializeForm(form.get());
    form->SetInitializeForm(splash);
    form->show();
    Activate(*form);
    EXPECT_FALSE(splash->isVisible());
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

} // namespace
