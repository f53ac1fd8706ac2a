// The main window with 10,000 movies, run offscreen:
//  - add: 10,000 movies through AddMovie, then the same 10,000 again in
//    upper case (all refused as duplicates); reference: the same paths
//    added to a bare QListWidget;
//  - run: a conversion over the 10,000 movies with a stand-in engine whose
//    worker thread posts each movie's progress and success, as the real
//    engine does; a 10 ms timer records how late the event loop serves it.
//    Reference: the same timer on an idle event loop for as long.
// Usage: bench_window [COUNT]   (default 10000)

#include "app/Language.h"
#include "app/MainForm.h"
#include "app/QtRunReport.h"
#include "app/StringTable.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>

namespace {

using namespace vantor;
using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Accepts every command; its worker posts what a one-frame conversion posts.
class StandInEngine final : public IPlayerEngine {
public:
    ~StandInEngine()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        if (m_worker.joinable())
            m_worker.join();
    }
    int QueryInterface(const char*, void**) override { return platform::E_NOINTERFACE; }
    unsigned AddRef() override { return 1; }
    unsigned Release() override { return 0; }
    int Reserved3() override { return 1; }
    int Reserved4() override { return 1; }
    int Reserved5() override { return 1; }
    int Reserved6() override { return 1; }
    int Initialize(int, platform::WindowHandle window, int) override
    {
        m_window = window;
        m_worker = std::thread([this] { Work(); });
        return 0;
    }
    int Reserved8() override { return 1; }
    int OpenMovie(const char*) override { return 1; }
    int CloseMovie() override { return 0; }
    int ExportFlash(const char*, const char*) override { return 1; }
    int Reserved12() override { return 1; }
    int Reserved13() override { return 1; }
    int Reserved14() override { return 1; }
    int Reserved15() override { return 1; }
    int ExportAVI(const char*, const char*) override { return 1; }
    int Cancel() override { return 105; }
    int Reserved18() override { return 1; }
    int ConvertMovie(const char*, const char*) override
    {
        {
            std::lock_guard lock(m_mutex);
            ++m_commands;
        }
        m_wake.notify_all();
        return 0;
    }
    int ExportWMV(const char*, const char*) override { return 1; }
    int ExportQuickTime(const char*, const char*) override { return 1; }

private:
    void Work()
    {
        std::unique_lock lock(m_mutex);
        while (true) {
            m_wake.wait(lock, [this] { return m_stopping || m_commands > 0; });
            if (m_stopping)
                return;
            --m_commands;
            lock.unlock();
            platform::PostMessage(m_window, ExportProgress, 1, 1);
            platform::PostMessage(m_window, ConvertSucceeded, 0, 0);
            lock.lock();
        }
    }

    platform::WindowHandle m_window = nullptr;
    std::thread m_worker;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    int m_commands = 0;
    bool m_stopping = false;
};

struct Lateness {
    double worst = 0;
    int over100 = 0;
    int ticks = 0;
};

// Runs the event loop until `done` says so, serving a 10 ms timer.
template <typename Done> Lateness ServeTimer(Done done)
{
    Lateness lateness;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    auto expected = Clock::now() + std::chrono::milliseconds(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const double late = std::chrono::duration<double, std::milli>(Clock::now() - expected).count();
        lateness.worst = std::max(lateness.worst, late);
        lateness.over100 += late > 100 ? 1 : 0;
        ++lateness.ticks;
        expected = Clock::now() + std::chrono::milliseconds(10);
    });
    timer.start(10);
    while (!done())
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    return lateness;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    SetCurrentResourceModule(ResourceModule::Program());
    QApplication application(argc, argv);
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i)
        paths.push_back("/home/user/Movies/Recording " + std::to_string(i) + ".vtr");

    QListWidget bare;
    auto start = Clock::now();
    for (const std::string& path : paths)
        bare.addItem(QString::fromStdString(path));
    const double referenceAdd = MsSince(start);

    StandInEngine engine;
    TMainForm::Options options;
    options.createEngine = [&engine] { return PlayerEngine(&engine); };
    TMainForm form(options);
    form.Batch().HandleNotification(EngineReady, 0, 0);
    form.show();
    start = Clock::now();
    for (const std::string& path : paths)
        form.AddMovie(path);
    for (std::string path : paths) {
        std::transform(
            path.begin(), path.end(), path.begin(), [](unsigned char c) { return std::toupper(c); });
        form.AddMovie(path);
    }
    const double add = MsSince(start);
    std::printf(
        "add %d movies and %d duplicates: %.0f ms (bare list of %d: %.0f ms, ratio %.1f); target < 1000 ms\n",
        count, count, add, count, referenceAdd, add / std::max(referenceAdd, 0.001));
    if (form.lbxFiles->count() != count) {
        std::fprintf(stderr, "the list holds %d movies\n", form.lbxFiles->count());
        return 1;
    }

    form.edtDir->setText("/tmp");
    start = Clock::now();
    form.Batch().Start(ExportFormat::Conversion);
    const Lateness run = ServeTimer([&form] { return form.Batch().IsIdle(); });
    const double runMs = MsSince(start);
    const auto idleEnd = Clock::now() + std::chrono::milliseconds(static_cast<long long>(runMs));
    const Lateness idle = ServeTimer([idleEnd] { return Clock::now() >= idleEnd; });
    std::printf(
        "run over %d movies: %.0f ms; 10 ms timer late by at most %.1f ms, %d stalls over 100 ms in %d "
        "ticks (idle loop: at most %.1f ms, %d stalls in %d ticks); target: no stall\n",
        count, runMs, run.worst, run.over100, run.ticks, idle.worst, idle.over100, idle.ticks);
    std::printf("summary: %s\n", form.RunReport()->SummaryLabel()->text().toStdString().c_str());
    return 0;
}
