// The in-process archive check against archives of the real zip: sound ones, damaged copies, encrypted ones.
#include "jobs/ArchiveCheck.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QtEndian>
#include <cstdio>
#include <functional>

using ArchiveCheck::Verdict;

class ArchiveCheckTest : public testing_support::AppFolderTest {
protected:
    // Zips the folder "src" (stored and deflated files, bigger than a read chunk, an empty file
    // and folder, a name that is not UTF-8) into `name` with zip's extra `options`.
    QString zip(const QString& name, const QStringList& options)
    {
        QByteArray noise(3 << 20, Qt::Uninitialized);
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
        writeFile("src/a.txt", "some text, some text, some text");
        writeFile("src/b.jpg", noise);
        writeFile("src/big.txt", noise.toBase64());
        writeFile("src/empty", "");
        QDir().mkpath(path("src/folder"));
        const QByteArray notUtf8 = QFile::encodeName(path("src")).append("/caf\xe9.txt");
        std::fclose(std::fopen(notUtf8.constData(), "w"));
        QProcess process;
        process.setWorkingDirectory(path("src"));
        process.start("zip", QStringList{"-q", "-r", "-n", ".jpg"} + options + QStringList{path(name), "."});
        EXPECT_TRUE(process.waitForFinished() && process.exitCode() == 0) << process.readAllStandardError().constData();
        std::remove(notUtf8.constData());  // the temporary folder can't remove it by its name
        return path(name);
    }
    static ArchiveCheck::Result check(const QString& archive, bool stop = false) { return ArchiveCheck::check(archive, std::atomic<bool>(stop)); }
};

TEST_F(ArchiveCheckTest, ArchivesOfZipAreSoundAndEncryptedOnesAreLeftToUnzip)
{
    for (const auto& [name, options, verdict] : {std::tuple{"plain.zip", QStringList{}, Verdict::Sound},
                                                 {"zip64.zip", {"-fz"}, Verdict::Sound},
                                                 {"secret.zip", {"-P", "secret"}, Verdict::NeedsUnzip}}) {
        const ArchiveCheck::Result result = check(zip(name, options));
        EXPECT_EQ(result.verdict, verdict) << name << ": " << result.reason.toStdString();
    }
    EXPECT_EQ(check(path("plain.zip"), true).reason, "the check was stopped");
    EXPECT_EQ(check(path("none.zip")).verdict, Verdict::Damaged);
}

TEST_F(ArchiveCheckTest, DamagesAreFoundAndNamed)
{
    const QByteArray sound = readFile(QFileInfo(zip("plain.zip", {})).fileName());
    const auto flip = [](QByteArray& bytes, qsizetype at) { bytes[at] = char(bytes[at] ^ 0x20); };
    const auto dataOf = [&sound](const QByteArray& name) {  // the first data byte after the local header
        const qsizetype named = sound.indexOf("./" + name) >= 0 ? sound.indexOf("./" + name) : sound.indexOf(name);
        return named + name.size() + quint8(sound[named - 2]) + 256 * quint8(sound[named - 1]);
    };
    const struct {
        const char* damage;
        std::function<void(QByteArray&)> patch;
        const char* reason;
    } damages[] = {
        {"stored byte", [&](QByteArray& z) { flip(z, dataOf("b.jpg") + 1500000); }, "check sum of 'b.jpg' differs"},
        {"deflated byte", [&](QByteArray& z) { flip(z, dataOf("big.txt") + 1500000); }, "'big.txt'"},
        {"central check sum", [&](QByteArray& z) { flip(z, z.lastIndexOf("a.txt") - 46 + 16); }, "'a.txt'"},
        {"truncated", [](QByteArray& z) { z.chop(z.size() / 2); }, "end record is missing"},
        {"end record", [&](QByteArray& z) { flip(z, z.size() - 22 + 19); }, ""},
        {"local name", [&](QByteArray& z) { flip(z, z.indexOf("a.txt")); }, "the local header of 'a.txt' is damaged"},
        {"empty entry's extra field into the next", [](QByteArray& z) { ++z[qFromLittleEndian<quint32>(z.constData() + z.lastIndexOf("empty") - 4) + 28]; }, "overlap"},
        {"byte gone before the end record", [](QByteArray& z) { z.remove(z.lastIndexOf("PK\5\6") - 1, 1); }, "does not match its end record"},
    };
    for (const auto& [damage, patch, reason] : damages) {
        QByteArray damaged = sound;
        patch(damaged);
        const ArchiveCheck::Result result = check(writeFile("damaged.zip", damaged));
        EXPECT_EQ(result.verdict, Verdict::Damaged) << damage;
        EXPECT_TRUE(result.reason.contains(reason)) << damage << ": " << result.reason.toStdString();
    }
}
