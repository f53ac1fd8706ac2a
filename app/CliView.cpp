#include "app/CliView.h"

#include <cstdio>
#include <utility>

namespace vantor {

namespace {

// Cursor control for a terminal: up one line, to the line's start and clear
// to the end of the screen.
constexpr char kLineUp[] = "\033[A";
constexpr char kClearBelow[] = "\r\033[J";
constexpr int kBarColumns = 30;

int Percent(int position)
{
    return position * 100 / BatchRun::kBarRange;
}

} // namespace

std::string EscapeControls(const std::string& text)
{
    std::string escaped;
    escaped.reserve(text.size());
    char hex[8];
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        switch (c) {
        case '\\':
            escaped += "\\\\";
            continue;
        case '\a':
            escaped += "\\a";
            continue;
        case '\b':
            escaped += "\\b";
            continue;
        case '\t':
            escaped += "\\t";
            continue;
        case '\n':
            escaped += "\\n";
            continue;
        case '\v':
            escaped += "\\v";
            continue;
        case '\f':
            escaped += "\\f";
            continue;
        case '\r':
            escaped += "\\r";
            continue;
        default:
            break;
        }
        if (c < 0x20 || c == 0x7F) {
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            escaped += hex;
        } else if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80
            && static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            // U+0080 to U+009F in UTF-8: the C1 controls, CSI among them.
            std::snprintf(hex, sizeof hex, "\\u%04x", static_cast<unsigned char>(text[++i]));
            escaped += hex;
        } else {
            escaped += static_cast<char>(c);
        }
    }
    return escaped;
}

CliView::CliView(const MovieList& movies, std::string destination, std::FILE* out, std::FILE* progress,
    bool terminal, Clock clock)
    : m_movies(movies)
    , m_destination(std::move(destination))
    , m_out(out)
    , m_progress(progress)
    , m_terminal(terminal)
    , m_clock(std::move(clock))
{
}

void CliView::SetOverallText(const std::string& text)
{
    m_overallText = text;
    Changed();
}

void CliView::SetDetailText(const std::string& text)
{
    m_detailText = text;
    Changed();
}

void CliView::SetOverallPosition(int position)
{
    m_overallPosition = position;
    Changed();
}

void CliView::SetDetailPosition(int position)
{
    m_detailPosition = position;
    Changed();
}

void CliView::SetRunText(const std::string& text)
{
    if (text == m_runText)
        return;
    // Drawn with the next change of the bars, which follows at once.
    m_runText = text;
    m_dirty = true;
}

void CliView::AddStatusLine(const std::string& line)
{
    m_statusLines.push_back(line);
    // The bars stand below the log: take them away, write the line, and let
    // the next drawing put them back.
    ClearBars();
    std::fputs(EscapeControls(line).c_str(), m_out);
    std::fputc('\n', m_out);
    std::fflush(m_out);
    m_dirty = true;
}

void CliView::Changed()
{
    m_dirty = true;
    Tick();
}

void CliView::Tick()
{
    if (!m_dirty)
        return;
    const auto now = m_clock();
    // Plain lines name every new movie step at once; only the percentages
    // in between wait for their turn.
    const bool newStep = !m_terminal && !m_detailText.empty() && m_detailText != m_plainDetail;
    if (!newStep && m_everDrawn && now - m_lastDraw < kRedrawInterval)
        return;
    m_lastDraw = now;
    m_everDrawn = true;
    m_dirty = false;
    Draw();
}

void CliView::Finish()
{
    ClearBars();
    m_dirty = false;
}

std::string CliView::BarLine(int position, const std::string& text) const
{
    const int filled = position * kBarColumns / BatchRun::kBarRange;
    std::string line = "[" + std::string(filled, '#') + std::string(kBarColumns - filled, '.') + "] ";
    char percent[16];
    std::snprintf(percent, sizeof percent, "%3d%% ", Percent(position));
    line += percent;
    line += EscapeControls(text);
    // A line longer than the terminal would wrap and break the redraw.
    if (static_cast<int>(line.size()) >= m_width)
        line.resize(m_width - 1);
    return line;
}

void CliView::Draw()
{
    const bool idle = m_overallText.empty() && m_detailText.empty() && m_overallPosition == 0;
    if (m_terminal) {
        ClearBars();
        if (idle)
            return;
        const std::string overall = m_runText.empty() ? m_overallText : m_overallText + " - " + m_runText;
        std::fprintf(m_progress, "%s\n%s\n", BarLine(m_overallPosition, overall).c_str(),
            BarLine(m_detailPosition, m_detailText).c_str());
        std::fflush(m_progress);
        m_barsShown = true;
        return;
    }
    if (idle || m_detailText.empty())
        return;
    if (m_detailText != m_plainDetail) {
        // The step's own percentage is not set yet when its label changes.
        m_plainDetail = m_detailText;
        m_plainTenth = 0;
        std::fprintf(m_progress, "%s\n", EscapeControls(m_detailText).c_str());
    } else {
        const int tenth = Percent(m_detailPosition) / 10;
        if (tenth == m_plainTenth)
            return;
        m_plainTenth = tenth;
        std::fprintf(m_progress, "%s %d%% (%d%% overall%s)\n", EscapeControls(m_detailText).c_str(),
            Percent(m_detailPosition), Percent(m_overallPosition),
            m_runText.empty() ? "" : (", " + EscapeControls(m_runText)).c_str());
    }
    std::fflush(m_progress);
}

void CliView::ClearBars()
{
    if (!m_terminal || !m_barsShown)
        return;
    std::fprintf(m_progress, "%s%s%s", kLineUp, kLineUp, kClearBelow);
    std::fflush(m_progress);
    m_barsShown = false;
}

} // namespace vantor
