// Restore against its targets: listing a 20,000-entry archive (under 0.3 s), the versions
// of a file across 10 archives (under 0.5 s), one 1 MB file out of a 300 MB archive (under
// 0.1 s), and a whole 300 MB archive (within 1.1 times unzip -o of the same archive).
// Usage: restore_bench [megabytes]
#include "jobs/Job.h"
#include "jobs/KeptBackups.h"
#include "jobs/Restore.h"
#include "jobs/RunRecord.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace {

void Write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
}

// Zips `folder` by its absolute path into `archive`, as a backup run does.
void Zip(const QString& folder, const QString& archive)
{
    QProcess zip;
    zip.start(QStringLiteral("zip"), {QStringLiteral("-qry"), QStringLiteral("-n"), QStringLiteral(".jpg"), archive, folder});
    zip.waitForFinished(-1);
}

double Seconds(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e9;
}

void Report(const char* what, double seconds, double limit)
{
    std::printf("%-52s %7.3f s  (target %.3g s: %s)\n", what, seconds, limit, seconds <= limit ? "met" : "MISSED");
}

Restore::Report RestoreAll(const BackupContents& contents, const QByteArray& chosen, const QString& to)
{
    Restore::Request request{{chosen}, to, false, Restore::Existing::Replace, {}};
    return Restore::run(contents, Restore::makePlan(contents, request), request, std::atomic<bool>(false));
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int megabytes = argc > 1 ? std::atoi(argv[1]) : 300;
    QTemporaryDir work;
    Job job;
    job.setName(QStringLiteral("Job"));
    job.setCompress(true);
    job.setTargetDirectory(work.filePath(QStringLiteral("bk")));
    QDir().mkpath(job.targetDirectory());

    // 20,000 small files in 200 folders; the archive copied to ten kept archives.
    const QString many = work.filePath(QStringLiteral("many"));
    for (int file = 0; file < 20000; ++file)
        Write(QStringLiteral("%1/folder%2/file%3.txt").arg(many).arg(file / 100).arg(file), QByteArray::number(file));
    Zip(many, job.archivePath(0));
    for (int copy = 1; copy < 10; ++copy)
        QFile::copy(job.archivePath(0), job.archivePath(copy));
    const std::vector<KeptBackup> backups = KeptBackups::list(job, RunRecord{}, 99);
    std::unique_ptr<BackupContents> contents;
    Report("list a 20,000-entry archive",
           Seconds([&] { contents = BackupContents::open(job, backups.front()).value(); }), 0.3);
    std::printf("  (%zu entries)\n", contents ? contents->items().size() : size_t(0));
    const QByteArray one = QFile::encodeName(many) + "/folder123/file12345.txt";
    size_t versions = 0;
    double best = 1e9;
    for (int round = 0; round < 3; ++round)
        best = std::min(best, Seconds([&] { versions = KeptBackups::VersionFinder(job, backups).versions(one).size(); }));
    Report("versions of a file across 10 such archives (best of 3)", best, 0.5);
    std::printf("  (%zu versions)\n", versions);

    // A big archive: stored noise and deflated text, 1 MB a file.
    for (int copy = 0; copy < 10; ++copy)
        QFile::remove(job.archivePath(copy));
    const QString big = work.filePath(QStringLiteral("big"));
    QByteArray noise(1 << 20, Qt::Uninitialized);
    for (int megabyte = 0; megabyte < megabytes; ++megabyte) {
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
        const bool text = megabyte % 4 == 0;
        Write(QStringLiteral("%1/%2/%3.%4").arg(big).arg(megabyte / 50).arg(megabyte).arg(text ? "txt" : "jpg"),
              text ? noise.toBase64().left(noise.size()) : noise);
    }
    Zip(big, job.archivePath(0));
    contents = BackupContents::open(job, KeptBackups::list(job, RunRecord{}, 99).front()).value();
    const QByteArray oneMegabyte = QFile::encodeName(big) + "/2/101.jpg";
    Report("restore one 1 MB file from the big archive",
           Seconds([&] { RestoreAll(*contents, oneMegabyte, work.filePath(QStringLiteral("one"))); }), 0.1);
    // Alternately, best of three each: the machine's other work and the disk's write-back
    // weigh on whichever runs at a bad moment.
    double ours = 1e9, unzip = 1e9;
    for (int round = 0; round < 3; ++round) {
        QDir(work.filePath(QStringLiteral("all"))).removeRecursively();
        QDir(work.filePath(QStringLiteral("unzipped"))).removeRecursively();
        QProcess::execute(QStringLiteral("sync"), {});
        ours = std::min(ours, Seconds([&] { RestoreAll(*contents, QFile::encodeName(big), work.filePath(QStringLiteral("all"))); }));
        QProcess::execute(QStringLiteral("sync"), {});
        unzip = std::min(unzip, Seconds([&] {
            QProcess process;
            process.start(QStringLiteral("unzip"), {QStringLiteral("-oqq"), job.archivePath(0), QStringLiteral("-d"),
                                                    work.filePath(QStringLiteral("unzipped"))});
            process.waitForFinished(-1);
        }));
    }
    std::printf("%-52s %7.3f s  unzip -o %.3f s: %.2fx (target 1.1x: %s)\n",
                QStringLiteral("restore the whole %1 MB archive").arg(megabytes).toUtf8().constData(), ours, unzip,
                ours / unzip, ours <= 1.1 * unzip ? "met" : "MISSED");
    return 0;
}
