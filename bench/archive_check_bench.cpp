// The run's own archive check against libzip's (the archive opened with its consistency
// checks, every entry read back against its check sum), with unzip -t as the referee:
// every single-byte damage of a small archive of zip (three changes of each byte), every
// truncation and every removed byte; then the time each takes on a big archive.
// Usage: archive_check_bench [megabytes]
#include "jobs/ArchiveCheck.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <zip.h>

namespace {

bool OwnSound(const QString& archive)
{
    return ArchiveCheck::check(archive, std::atomic<bool>(false)).verdict == ArchiveCheck::Verdict::Sound;
}

bool LibzipSound(const QString& archive)
{
    int error = 0;
    zip_t* zip = zip_open(QFile::encodeName(archive).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!zip)
        return false;
    bool sound = true;
    static char buffer[1 << 18];
    for (zip_int64_t index = 0; sound && index < zip_get_num_entries(zip, 0); ++index) {
        zip_file_t* file = zip_fopen_index(zip, zip_uint64_t(index), 0);
        zip_int64_t read = file ? 1 : -1;
        while (read > 0)
            read = zip_fread(file, buffer, sizeof buffer);
        sound = read == 0;
        if (file)
            zip_fclose(file);
    }
    zip_discard(zip);
    return sound;
}

bool UnzipSound(const QString& archive)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-tqq"), archive});
    return unzip.waitForFinished(-1) && unzip.exitStatus() == QProcess::NormalExit && unzip.exitCode() == 0;
}

void Zip(const QString& folder, const QString& archive)
{
    QProcess zip;
    zip.setWorkingDirectory(folder);
    zip.start(QStringLiteral("zip"), {QStringLiteral("-qr"), QStringLiteral("-n"), QStringLiteral(".jpg"), archive, QStringLiteral(".")});
    zip.waitForFinished(-1);
}

void Write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
}

struct Tally {
    int damages = 0, unzipRefuses = 0, ownMisses = 0, libzipMisses = 0, ownFalseAlarms = 0, libzipFalseAlarms = 0;
    void add(bool unzip, bool own, bool libzip)
    {
        ++damages;
        unzipRefuses += unzip ? 0 : 1;
        ownMisses += !unzip && own ? 1 : 0;
        libzipMisses += !unzip && libzip ? 1 : 0;
        ownFalseAlarms += unzip && !own ? 1 : 0;
        libzipFalseAlarms += unzip && !libzip ? 1 : 0;
    }
    void print(const char* what) const
    {
        std::printf("%-28s %6d damaged copies, unzip -t refuses %5d; missed: own %4d, libzip %4d; "
                    "refused though unzip passes: own %4d, libzip %4d\n",
                    what, damages, unzipRefuses, ownMisses, libzipMisses, ownFalseAlarms, libzipFalseAlarms);
    }
};

Tally Sweep(const QByteArray& sound, const QString& path, const std::function<bool(qsizetype, QByteArray&)>& damage)
{
    Tally tally;
    for (qsizetype at = 0;; ++at) {
        QByteArray damaged = sound;
        if (!damage(at, damaged))
            return tally;
        Write(path, damaged);
        tally.add(UnzipSound(path), OwnSound(path), LibzipSound(path));
    }
}

double Seconds(const std::function<bool()>& check, bool* sound)
{
    QElapsedTimer timer;
    timer.start();
    *sound = check();
    return double(timer.nsecsElapsed()) / 1e9;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int megabytes = argc > 1 ? std::atoi(argv[1]) : 300;
    QTemporaryDir work;
    const QString small = work.filePath(QStringLiteral("small.zip"));
    Write(work.filePath(QStringLiteral("s/a.txt")), "some text, some text, some text, some text");
    Write(work.filePath(QStringLiteral("s/b.jpg")), "stored as it is");
    Write(work.filePath(QStringLiteral("s/sub/empty")), "");
    Zip(work.filePath(QStringLiteral("s")), small);
    QFile file(small);
    file.open(QIODevice::ReadOnly);
    const QByteArray sound = file.readAll();
    std::printf("small archive of zip: %lld bytes\n", qlonglong(sound.size()));
    const QString damaged = work.filePath(QStringLiteral("damaged.zip"));
    for (const char change : {char(0x01), char(0x20), char(0xff)}) {
        Sweep(sound, damaged, [change](qsizetype at, QByteArray& bytes) {
            if (at >= bytes.size())
                return false;
            bytes[at] = char(bytes[at] ^ change);
            return true;
        }).print(QStringLiteral("each byte xor 0x%1").arg(quint8(change), 2, 16, QLatin1Char('0')).toUtf8().constData());
    }
    Sweep(sound, damaged, [size = sound.size()](qsizetype at, QByteArray& bytes) {
        bytes.truncate(at);
        return at < size;
    }).print("each truncation");
    Sweep(sound, damaged, [](qsizetype at, QByteArray& bytes) {
        if (at >= bytes.size())
            return false;
        bytes.remove(at, 1);
        return true;
    }).print("each byte removed");

    // Speed: a big archive of stored noise and deflated text.
    QByteArray noise(1 << 20, Qt::Uninitialized);
    for (int megabyte = 0; megabyte < megabytes; ++megabyte) {
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
        const bool text = megabyte % 4 == 0;
        Write(work.filePath(QStringLiteral("big/%1/%2.%3").arg(megabyte / 50).arg(megabyte).arg(text ? "txt" : "jpg")),
              text ? noise.toBase64().left(noise.size()) : noise);
    }
    const QString big = work.filePath(QStringLiteral("big.zip"));
    Zip(work.filePath(QStringLiteral("big")), big);
    bool ownSound = false, libzipSound = false, unzipSound = false;
    Seconds([&] { return OwnSound(big); }, &ownSound);  // the file in the page cache for all three
    const double own = Seconds([&] { return OwnSound(big); }, &ownSound);
    const double libzip = Seconds([&] { return LibzipSound(big); }, &libzipSound);
    const double unzip = Seconds([&] { return UnzipSound(big); }, &unzipSound);
    std::printf("%d MB archive: own check %.2f s (%s), libzip %.2f s (%s), unzip -t %.2f s (%s)\n", megabytes, own,
                ownSound ? "sound" : "damaged", libzip, libzipSound ? "sound" : "damaged", unzip,
                unzipSound ? "sound" : "damaged");
    return 0;
}
