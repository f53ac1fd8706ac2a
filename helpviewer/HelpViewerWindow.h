#pragma once

// The help viewer's one window: the page, and a tool bar with Back, Forward,
// Home (the page the program asked for last) and Index (the help's
// contents page, index.htm beside the pages).

#include <QMainWindow>
#include <QUrl>

class QAction;
class QTextBrowser;

namespace vantor {

class HelpViewerWindow final : public QMainWindow {
    Q_OBJECT

public:
    explicit HelpViewerWindow(QWidget* parent = nullptr);

    // Shows `page` as the new home page and brings the window to the front.
    void ShowTopic(const QUrl& page);

    QTextBrowser* Browser() const { return m_browser; }

private:
    void ShowIndex();
    void UpdateTitle();

    QTextBrowser* m_browser = nullptr;
    QAction* m_back = nullptr;
    QAction* m_forward = nullptr;
    QAction* m_home = nullptr;
    QAction* m_index = nullptr;
    QUrl m_homePage;
};

} // namespace vantor
