#include "helpviewer/HelpViewerWindow.h"

#include "app/ProductNames.h"
#include "app/StringTable.h"
#include "strings/StringIds.h"

#include <QAction>
#include <QKeySequence>
#include <QStyle>
#include <QTextBrowser>
#include <QToolBar>

namespace vantor {

namespace {

QString Text(int id)
{
    return QString::fromStdString(LoadStr(id));
}

} // namespace

HelpViewerWindow::HelpViewerWindow(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName("HelpViewerWindow");
    resize(760, 640);
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName("Page");
    m_browser->setOpenExternalLinks(true);
    setCentralWidget(m_browser);

    auto* bar = addToolBar(Text(str::kHelpViewerToolBar));
    bar->setObjectName("Navigation");
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_back = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), Text(str::kHelpViewerBack));
    m_back->setShortcut(QKeySequence::Back);
    m_forward = bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), Text(str::kHelpViewerForward));
    m_forward->setShortcut(QKeySequence::Forward);
    m_home = bar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), Text(str::kHelpViewerHome));
    m_index = bar->addAction(
        style()->standardIcon(QStyle::SP_FileDialogContentsView), Text(str::kHelpViewerIndex));
    m_back->setEnabled(false);
    m_forward->setEnabled(false);
    m_home->setEnabled(false);
    m_index->setEnabled(false);

    connect(m_back, &QAction::triggered, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QAction::triggered, m_browser, &QTextBrowser::forward);
    connect(m_home, &QAction::triggered, this, [this] { m_browser->setSource(m_homePage); });
    connect(m_index, &QAction::triggered, this, &HelpViewerWindow::ShowIndex);
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::sourceChanged, this, &HelpViewerWindow::UpdateTitle);
    UpdateTitle();
}

void HelpViewerWindow::ShowTopic(const QUrl& page)
{
    m_homePage = page;
    m_home->setEnabled(true);
    m_index->setEnabled(true);
    m_browser->setSource(page);
    show();
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    raise();
    activateWindow();
}

void HelpViewerWindow::ShowIndex()
{
    m_browser->setSource(m_homePage.resolved(QUrl("index.htm")));
}

void HelpViewerWindow::UpdateTitle()
{
    // Every page's title names the help already.
    const QString title = m_browser->documentTitle();
    setWindowTitle(title.isEmpty()
            ? QString::fromStdString(ReplaceProductName(LoadStr(str::kHelpViewerCaption)))
            : title);
}

} // namespace vantor
