#include "app/QtRunReport.h"

#include "app/BatchRun.h"
#include "app/StringTable.h"
#include "strings/StringIds.h"
#include "support/CVHtmlHelp.h"
#include "support/Trace.h"

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QStyle>
#include <QUrl>

namespace vantor {

const char* StateIconName(MovieState state)
{
    switch (state) {
    case MovieState::Waiting:
        return "appointment-soon";
    case MovieState::Working:
        return "media-playback-start";
    case MovieState::Done:
        return "emblem-default";
    case MovieState::Skipped:
        return "media-skip-forward";
    case MovieState::Failed:
        return "dialog-error";
    case MovieState::Cancelled:
        return "process-stop";
    }
    return "";
}

QIcon StateIcon(MovieState state)
{
    static constexpr QStyle::StandardPixmap kFallbacks[]
        = { QStyle::SP_FileIcon, QStyle::SP_MediaPlay, QStyle::SP_DialogApplyButton,
              QStyle::SP_MediaSkipForward, QStyle::SP_MessageBoxCritical, QStyle::SP_MediaStop };
    // One icon per state for the life of the program: thousands of items
    // share them.
    static QIcon icons[std::size(kFallbacks)];
    QIcon& icon = icons[static_cast<int>(state)];
    if (icon.isNull())
        icon = QIcon::fromTheme(QString::fromLatin1(StateIconName(state)),
            QApplication::style()->standardIcon(kFallbacks[static_cast<int>(state)]));
    return icon;
}

QtRunReport::QtRunReport(
    const IBatchView& view, QListWidget* list, QProgressBar* overall, QProgressBar* detail, QWidget* parent)
    : QObject(parent)
    , m_view(view)
    , m_list(list)
    , m_overall(overall)
    , m_detail(detail)
    , m_summary(new QLabel(parent))
    , m_link(new QLabel(parent))
    , m_tracker([&view](int index) { return MovieFileSize(view.MovieAt(index)); })
{
    m_summary->setObjectName("lblRunSummary");
    // At the window's narrower widths the summary takes two lines.
    m_summary->setWordWrap(true);
    m_link->setObjectName("lblOpenDestination");
    m_link->setText("<a href=\"folder\">"
        + QString::fromStdString(LoadStr(str::kBatchOpenDestination)).toHtmlEscaped() + "</a>");
    m_link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    m_summary->hide();
    m_link->hide();
    connect(m_link, &QLabel::linkActivated, this, [this] { OpenDestination(); });
}

QtRunReport::~QtRunReport() = default;

void QtRunReport::RunStarted(int movieCount)
{
    m_destination = m_view.DestinationFolder();
    m_summary->hide();
    m_link->hide();
    m_tracker.RunStarted(movieCount);
    m_states.clear();
    m_list->setUpdatesEnabled(false);
    for (int i = 0; i < movieCount && i < m_list->count(); ++i)
        Show(i);
    m_list->setUpdatesEnabled(true);
    m_overall->setTextVisible(true);
    m_detail->setFormat("%p%");
    m_detail->setTextVisible(true);
}

void QtRunReport::MovieStarted(int index)
{
    m_tracker.MovieStarted(index);
    Show(index);
    if (QListWidgetItem* item = m_list->item(index))
        m_list->scrollToItem(item);
    ShowWhereTheRunStands();
}

void QtRunReport::MovieProgress(int index, MoviePhase phase, long long done, long long total)
{
    if (index < 0 || index >= m_tracker.Count())
        return;
    const int before = m_tracker.Status(index).percent;
    m_tracker.MovieProgress(index, phase, done, total);
    if (m_tracker.Status(index).percent != before)
        Show(index);
    ShowWhereTheRunStands();
}

void QtRunReport::MovieFinished(int index, MovieOutcome outcome, const std::string& reason)
{
    m_tracker.MovieFinished(index, outcome, reason);
    Show(index);
}

void QtRunReport::RunEnded()
{
    m_tracker.RunEnded();
    m_list->setUpdatesEnabled(false);
    for (int i = 0; i < m_tracker.Count() && i < m_list->count(); ++i) {
        // Only the movies the end of the run changed.
        const auto known = m_states.find(m_view.MovieAt(i));
        if (known == m_states.end() || known->second.state != m_tracker.Status(i).state)
            Show(i);
    }
    m_list->setUpdatesEnabled(true);
    m_overall->setTextVisible(false);
    m_detail->setTextVisible(false);
    m_summary->setText(QString::fromStdString(SummaryText(m_tracker.Counts(), m_tracker.Elapsed())));
    m_summary->show();
    m_link->show();
}

void QtRunReport::Decorate(QListWidgetItem* item) const
{
    const auto known = m_states.find(item->text().toStdString());
    if (known == m_states.end()) {
        item->setIcon(QIcon());
        item->setToolTip({});
        return;
    }
    item->setIcon(StateIcon(known->second.state));
    item->setToolTip(QString::fromStdString(StatusTip(known->second)));
}

void QtRunReport::OpenDestination()
{
    TraceMethod trace("TMainForm::OpenDestination");
    if (!m_opener) {
        m_opener = MakeDesktopViewer();
        std::string error;
        if (!m_opener->Load(error)) {
            TraceError("TMainForm::OpenDestination %s", error.c_str());
            m_opener.reset();
            return;
        }
    }
    m_opener->Open(QUrl::fromLocalFile(QString::fromStdString(m_destination))
                       .toString(QUrl::FullyEncoded)
                       .toStdString());
}

void QtRunReport::Show(int index)
{
    QListWidgetItem* item = m_list->item(index);
    if (item == nullptr || index >= m_tracker.Count())
        return;
    m_states[item->text().toStdString()] = m_tracker.Status(index);
    Decorate(item);
}

void QtRunReport::ShowWhereTheRunStands()
{
    if (m_tracker.CurrentIndex() >= 0)
        m_overall->setFormat(QString::fromStdString(
            OverallProgressText(m_tracker.CurrentIndex(), m_tracker.Count(), m_tracker.TimeLeft())));
}

} // namespace vantor
