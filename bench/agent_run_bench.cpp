// What one scheduled run costs the agent's own thread with many jobs listed: the tick that
// finds it due, the run's bookkeeping (its record written at start and end, the log), and the
// job list model and its sort proxy following it, with the tray's summary read at each change. The
// run itself (a tiny job of one file, on the runner's worker thread) is not counted. Also the
// start-up (listing the jobs with the model attached) and a tick with nothing due (the worst of
// five), each with and without the model.
// Usage: agent_run_bench [jobs...]   (default: 500 5000)
#include "jobs/Agent.h"
#include "jobs/JobListModel.h"
#include "lib/Preferences.h"
#include "lib/AppPaths.h"
#include "lib/Clock.h"
#include "lib/Files.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <time.h>
#include <vector>

namespace {

class BenchClock : public Clock {
public:
    BenchClock() { Clock::install(this); }
    ~BenchClock() override { Clock::install(nullptr); }
    QDateTime now;

protected:
    QDateTime currentDateTime() const override { return now; }
};

// CPU milliseconds this thread has used so far.
double threadCpuMs()
{
    timespec spent{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &spent);
    return double(spent.tv_sec) * 1e3 + double(spent.tv_nsec) / 1e6;
}

// A job of one small file: "Tiny" runs each day at noon, the others only on Sundays at three,
// so that the benchmark's weekdays hold exactly one due run each.
Job benchJob(const QString& name, const QString& folder, bool tiny)
{
    Job job;
    job.setName(name);
    job.setCompress(true);
    job.setFrequency(Job::Daily);
    job.setWeekdays(tiny ? qint16(Job::AllWeekdays) : qint16(Job::Sunday));
    job.setStartTime(tiny ? QTime(12, 0) : QTime(3, 0));
    job.setLastRun(QDateTime(QDate(2026, 12, 6), QTime(0, 0)));
    job.setTargetDirectory(folder + QStringLiteral("/target/"));
    job.setFilesToZip(folder + QStringLiteral("/source/a.txt\r\n"));
    return job;
}

struct Figures {
    double startUpMs = 0;
    double idleTickMs = 0;
    std::vector<double> runMs;
};

Figures measure(int jobCount, bool withModel)
{
    QTemporaryDir scratch;
    const QString folder = scratch.path();
    QDir().mkpath(folder + QStringLiteral("/app"));
    QDir().mkpath(folder + QStringLiteral("/source"));
    QDir().mkpath(folder + QStringLiteral("/target"));
    QFile::link(QStringLiteral("/usr/bin/zip"), folder + QStringLiteral("/app/zip"));
    Files::writeWhole(folder + QStringLiteral("/source/a.txt"), QByteArrayLiteral("a"));
    AppPaths::setApplicationPaths(folder + QStringLiteral("/app"), QStringLiteral("arkwell"));
    Preferences::stopOnError = false;
    QDir().mkpath(AppPaths::jobsFolder());

    BenchClock clock;
    clock.now = QDateTime(QDate(2026, 12, 7), QTime(11, 59, 0));  // a Monday, before noon
    {
        JobTable writer;  // the job files, written as the wizard does
        writer.load(AppPaths::jobsFolder(), AppPaths::runRecordsFolder());
        for (int index = 0; index < jobCount; ++index)
            (void)writer.save(benchJob(index == 0 ? QStringLiteral("Tiny") : QStringLiteral("Job %1").arg(index),
                                       folder, index == 0));
    }

    Figures figures;
    Agent agent;
    std::unique_ptr<JobListModel> model;
    JobListSortModel sorted;
    double before = threadCpuMs();
    if (withModel) {
        model = std::make_unique<JobListModel>(agent);
        sorted.setSourceModel(model.get());
        sorted.sort(JobListModel::LastResult, Qt::AscendingOrder);  // a column a run changes
        // The tray reads the summary at every change, as its icon and tooltip follow it.
        QObject::connect(model.get(), &JobListModel::statusChanged, model.get(), [&model] { (void)model->summary(); });
    }
    agent.jobs().load(AppPaths::jobsFolder(), AppPaths::runRecordsFolder());
    figures.startUpMs = threadCpuMs() - before;

    QEventLoop loop;
    QObject::connect(&agent, &Agent::runsFinished, &loop, &QEventLoop::quit);
    for (int day = 0; day < 5; ++day) {  // Monday to Friday, one run at noon each
        const QDate date = QDate(2026, 12, 7).addDays(day);
        clock.now = QDateTime(date, QTime(11, 30));
        agent.tick();  // nothing due; the day's first look for overdue jobs
        clock.now = clock.now.addSecs(Agent::TickInterval / 1000);
        before = threadCpuMs();
        agent.tick();  // nothing due, as most ticks
        figures.idleTickMs = std::max(figures.idleTickMs, threadCpuMs() - before);
        clock.now = QDateTime(date, QTime(12, 0, 1));
        before = threadCpuMs();
        agent.tick();
        if (!agent.busy()) {
            std::fprintf(stderr, "no run was due on %s\n", qPrintable(date.toString()));
            continue;
        }
        loop.exec();
        figures.runMs.push_back(threadCpuMs() - before);
    }
    return figures;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::vector<int> counts;
    for (int index = 1; index < argc; ++index)
        counts.push_back(std::atoi(argv[index]));
    if (counts.empty())
        counts = {500, 5000};
    std::printf("%-6s %-6s %12s %12s %14s %14s\n", "jobs", "model", "start-up ms", "idle tick ms", "run median ms",
                "run max ms");
    for (const int count : counts)
        for (const bool withModel : {false, true}) {
            const Figures figures = measure(count, withModel);
            std::printf("%-6d %-6s %12.1f %12.2f %14.1f %14.1f\n", count, withModel ? "yes" : "no", figures.startUpMs,
                        figures.idleTickMs, median(figures.runMs),
                        figures.runMs.empty() ? 0.0 : *std::max_element(figures.runMs.begin(), figures.runMs.end()));
        }
    return 0;
}
