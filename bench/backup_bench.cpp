// Times whole backup runs of the engine against the plain tools on the same tree:
//   (a) a compressed job of one whole-folder entry  against  zip -r -n .zip
//   (b) an uncompressed job of that folder           against  cp -a
//   (c) a job of 1,000 single-file entries           against  1,000 zip calls
//   (d) the program's own CPU time while zip runs    against  zip's CPU time and the archive
//       check's (its worker thread does the test an unzip child did before)
//   (e) a compressed job of a media tree             against  zip -r -n .zip (deflating it all)
// Usage: backup_bench [files=20000] [megabytes=300] [media megabytes=300]
#include "lib/Preferences.h"
#include "lib/AppPaths.h"
#include "jobs/RunProgress.h"
#include "jobs/BackupRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <sys/resource.h>

namespace {

class SilentSink : public RunProgressSink {
public:
    void setStatusText(const QString&) override {}
    void setProgress(const RunProgress&) override {}
};

// Mixed sizes (mostly small, some large) and compressibility (text, random bytes, archives).
void buildTree(const QString& root, int files, qint64 bytes)
{
    QRandomGenerator random(20261207);
    const QByteArray words = "backup schedule archive folder entry report invoice letter photo draft ";
    qint64 budget = bytes;
    for (int i = 0; i < files; ++i) {
        const QString folder = root + QStringLiteral("/d%1/s%2").arg(i % 40).arg(i % 7);
        QDir().mkpath(folder);
        const int kind = i % 10;  // 0-5 text, 6-8 random, 9 an archive already compressed
        qint64 size = kind == 0 && i % 100 == 0 ? 4 * bytes / files * 20 : random.bounded(1, 2 * int(bytes / files));
        size = std::max<qint64>(1, std::min(size, budget - (files - i - 1)));
        budget -= size;
        QByteArray content(size, Qt::Uninitialized);
        if (kind <= 5)
            for (qint64 at = 0; at < size; ++at)
                content[at] = words[(at + i * 7 + (at / 64) * random.bounded(3)) % words.size()];
        else
            random.fillRange(reinterpret_cast<quint32*>(content.data()), size / 4);
        const QString suffix = kind <= 5 ? ".txt" : kind <= 8 ? ".bin" : ".zip";
        QFile out(folder + QStringLiteral("/f%1").arg(i) + suffix);
        out.open(QIODevice::WriteOnly);
        out.write(content);
    }
}

// Pictures, videos and archives: random bytes, as incompressible as the real ones.
void buildMediaTree(const QString& root, qint64 bytes)
{
    QRandomGenerator random(20261208);
    const char* const suffixes[] = {".jpg", ".PNG", ".mp4", ".zip", ".JPG", ".Mp4"};
    for (int i = 0; bytes > 0; ++i) {
        const QString folder = root + QStringLiteral("/album%1").arg(i % 12);
        QDir().mkpath(folder);
        const qint64 size = std::min<qint64>(bytes, random.bounded(200000, 4000000) & ~3);
        bytes -= size;
        QByteArray content(size, Qt::Uninitialized);
        random.fillRange(reinterpret_cast<quint32*>(content.data()), size / 4);
        QFile out(folder + QStringLiteral("/m%1").arg(i) + suffixes[i % 6]);
        out.open(QIODevice::WriteOnly);
        out.write(content);
    }
}

double seconds(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e9;
}

void runQuietly(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    process.waitForFinished(-1);
}

double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

Job benchJob(const QString& target, const QStringList& entries, bool compress)
{
    Job job;
    job.setName(QStringLiteral("Bench"));
    job.setTargetDirectory(target);
    job.setCompress(compress);
    job.setSubdirectories(true);
    job.setFilesToZip(entries.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    return job;
}

void report(const char* what, double ours, double theirs, double target)
{
    std::printf("%-44s %8.2f s  %8.2f s  ratio %5.3f  (target <= %.2f) %s\n", what, ours, theirs, ours / theirs, target,
                ours / theirs <= target ? "ok" : "MISSED");
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each result as soon as it is measured
    const int files = argc > 1 ? std::atoi(argv[1]) : 20000;
    const qint64 megabytes = argc > 2 ? std::atoll(argv[2]) : 300;
    const qint64 mediaMegabytes = argc > 3 ? std::atoll(argv[3]) : 300;
    QTemporaryDir work;
    const QString w = work.path();
    QDir().mkpath(w + "/app");
    QFile::link(QStringLiteral("/usr/bin/zip"), w + "/app/zip");
    AppPaths::setApplicationPaths(w + "/app", QStringLiteral("arkwell"));
    Preferences::maxBackupCopies = 99;
    for (const char* folder : {"/ours", "/theirs", "/src"})
        QDir().mkpath(w + folder);
    std::printf("building %d files, %lld MB in %s\n", files, megabytes, qPrintable(w));
    buildTree(w + "/src/Tree", files, megabytes << 20);
    buildMediaTree(w + "/src/Media", mediaMegabytes << 20);
    runQuietly("sync", {});
    SilentSink host;

    // (a) and (d): best of two runs each, alternating, so both see the same page cache.
    double oursZip = 1e9, theirsZip = 1e9, ownCpu = 0, zipCpu = 0, checkCpu = 0;
    for (int round = 0; round < 2; ++round) {
        Job job = benchJob(w + "/ours", {w + "/src/Tree/*.*"}, true);
        const double selfBefore = cpuSeconds(RUSAGE_SELF), threadBefore = cpuSeconds(RUSAGE_THREAD),
                     childrenBefore = cpuSeconds(RUSAGE_CHILDREN);
        oursZip = std::min(oursZip, seconds([&] { (void)BackupRun(job, {}).run(host, 99); }));
        ownCpu = cpuSeconds(RUSAGE_THREAD) - threadBefore;
        checkCpu = cpuSeconds(RUSAGE_SELF) - selfBefore - ownCpu;
        zipCpu = cpuSeconds(RUSAGE_CHILDREN) - childrenBefore + checkCpu;
        QFile::remove(w + "/theirs/Bench.zip");
        theirsZip = std::min(theirsZip, seconds([&] {
            runQuietly(w + "/app/zip", {"-r", "-n", ".zip", w + "/theirs/Bench.zip", w + "/src/Tree"});
        }));
    }
    report("(a) compressed job vs zip -r -n .zip", oursZip, theirsZip, 1.10);

    // (e): media is stored, not deflated again.
    double oursMedia = 1e9, theirsMedia = 1e9;
    for (int round = 0; round < 2; ++round) {
        Job job = benchJob(w + "/ours", {w + "/src/Media/*.*"}, true);
        oursMedia = std::min(oursMedia, seconds([&] { (void)BackupRun(job, {}).run(host, 99); }));
        QFile::remove(w + "/theirs/Media.zip");
        theirsMedia = std::min(theirsMedia, seconds([&] {
            runQuietly(w + "/app/zip", {"-r", "-n", ".zip", w + "/theirs/Media.zip", w + "/src/Media"});
        }));
    }
    report("(e) media job vs zip -r -n .zip", oursMedia, theirsMedia, 0.25);

    // (b)
    double oursCopy = 1e9, theirsCopy = 1e9;
    for (int round = 0; round < 2; ++round) {
        Job job = benchJob(w + "/ours", {w + "/src/Tree/*.*"}, false);
        oursCopy = std::min(oursCopy, seconds([&] { (void)BackupRun(job, {}).run(host, 99); }));
        QDir(w + "/theirs/Tree").removeRecursively();
        theirsCopy = std::min(theirsCopy, seconds([&] { runQuietly("cp", {"-a", w + "/src/Tree", w + "/theirs/"}); }));
    }
    report("(b) uncompressed job vs cp -a", oursCopy, theirsCopy, 1.10);

    // (c)
    QStringList singles;
    for (int i = 0; i < 1000 && i < files; ++i)
        singles << w + QStringLiteral("/src/Tree/d%1/s%2/f%3").arg(i % 40).arg(i % 7).arg(i)
                       + (i % 10 <= 5 ? ".txt" : i % 10 <= 8 ? ".bin" : ".zip");
    Job manyEntries = benchJob(w + "/ours", singles, true);
    const double oursSingles = seconds([&] { (void)BackupRun(manyEntries, {}).run(host, 99); });
    QFile::remove(w + "/theirs/Singles.zip");
    const double theirsSingles = seconds([&] {
        for (const QString& file : singles)
            runQuietly(w + "/app/zip", {"-n", ".zip", w + "/theirs/Singles.zip", file});
    });
    report("(c) 1,000 single-file entries vs 1,000 zips", oursSingles, theirsSingles, 1.20);

    std::printf("%-44s %8.3f s  %8.2f s  share %5.2f%% (target < 2%%) %s\n", "(d) own CPU vs zip's + check's CPU in (a)",
                ownCpu, zipCpu, 100 * ownCpu / zipCpu, ownCpu / zipCpu < 0.02 ? "ok" : "MISSED");
    std::printf("%-44s %8.3f s\n", "    of which the archive check's thread", checkCpu);
    return 0;
}
