#pragma once

// The window's per-movie report beside the batch loop's labels and log:
// each item of the movie list shows its state in the current or last run
// (an icon of the desktop's theme, with a built-in fallback, and a
// tooltip), the item being worked on is scrolled into view, the overall bar
// reads "movie n of N, M:SS left" and the detail bar its percent, and when a
// run ends the bottom bar shows the summary with a link that opens the
// destination folder in the desktop's file manager.
//
// States are kept by path, so adding, removing and clearing movies keeps
// them for the other items; a new run resets them all.

#include "app/BatchTracker.h"

#include <QObject>
#include <memory>
#include <string>
#include <unordered_map>

class HelpViewer;
class QIcon;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QProgressBar;

namespace vantor {

class IBatchView;

// The icon of a state: the theme's icon of the freedesktop name, else a
// style icon of Qt's own.
QIcon StateIcon(MovieState state);
const char* StateIconName(MovieState state);

class QtRunReport final : public QObject, public IBatchObserver {
    Q_OBJECT

public:
    QtRunReport(const IBatchView& view, QListWidget* list, QProgressBar* overall, QProgressBar* detail,
        QWidget* parent);
    ~QtRunReport() override;

    void RunStarted(int movieCount) override;
    void MovieStarted(int index) override;
    void MovieProgress(int index, MoviePhase phase, long long done, long long total) override;
    void MovieFinished(int index, MovieOutcome outcome, const std::string& reason) override;
    void RunEnded() override;

    // Gives a list item the icon and tooltip of its movie's state, or
    // neither when the movie has taken part in no run.
    void Decorate(QListWidgetItem* item) const;
    // Opens the last run's destination folder with the desktop's opener.
    void OpenDestination();

    QLabel* SummaryLabel() const { return m_summary; }
    QLabel* DestinationLink() const { return m_link; }

private:
    void Show(int index);
    void ShowWhereTheRunStands();

    const IBatchView& m_view;
    QListWidget* m_list;
    QProgressBar* m_overall;
    QProgressBar* m_detail;
    QLabel* m_summary;
    QLabel* m_link;
    BatchTracker m_tracker;
    std::unordered_map<std::string, MovieStatus> m_states;
    std::string m_destination;
    std::unique_ptr<HelpViewer> m_opener;
};

} // namespace vantor
