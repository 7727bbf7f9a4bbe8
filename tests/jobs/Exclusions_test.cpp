// What a job's exclusions leave out, the same for a zipped and a copied job.
#include "BackupRunFixture.h"

#include "jobs/JobStatus.h"

TEST_F(BackupRunTest, ExclusionsLeaveOutTheSameForZippedAndCopiedJobs)
{
    const struct { const char* file; QByteArray content; bool kept; } tree[] = {
        {"keep.txt", "k", true},
        {"notes.TMP", "t", false},                // "*.tmp", whatever the letter case
        {"sub/a.tmp", "t", false},
        {"sub/old.BAK", "b", false},             // "*.[ab]?k"
        {"sub/old.cak", "c", true},
        {"sub/node_modules/pkg/i.js", "j", false},  // a name anywhere, its folder not entered
        {"Photos/Raw/r.cr2", "r", false},        // a path below the entry
        {"Other/Raw/r.cr2", "r", true},          // ... only there
        {"build", "a file, not a folder", true},  // "build/" names folders only
        {"sub/build/o.o", "o", false},
        {"cache/CACHEDIR.TAG", "Signature: 8a477f597d28d172789f06886806bc55\n# a cache", false},
        {"cache/c.bin", "c", false},
        {"fake/CACHEDIR.TAG", "Signature: 0000000000000000000000000000000", true},  // wrong signature
        {"fake/f.bin", "f", true},
        {"closed/secret", "s", false},           // unreadable, but excluded: never named
    };
    QStringList kept;
    for (const auto& item : tree) {
        writeFile("src/Data/" + QString::fromLatin1(item.file), item.content);
        if (item.kept)
            kept << QString::fromLatin1(item.file);
    }
    ::chmod(QFile::encodeName(path("src/Data/closed")).constData(), 0);
    const QStringList patterns{"*.tmp", "*.[ab]?k", "NODE_modules", "Photos/Ra[v-w]", "build/", " closed "};
    for (const bool compress : {true, false}) {
        SCOPED_TRACE(compress ? "zipped" : "copied");
        TestJob excluding = job({path("src/Data/*.*")}, {.compress = compress, .subdirectories = true});
        excluding.setExclusions(patterns, true);
        {
            std::optional<AsNobody> nobody;  // root's zip writes what nobody could not check
            if (!compress)
                nobody.emplace(*this);
            EXPECT_FALSE(run(excluding)) << transactionLog().join("\n").toStdString();
        }
        QStringList taken = compress ? restored(archive()) : treeHashes(path("bk/Data"));
        taken.replaceInStrings(QRegularExpression("^src/Data/"), QString());
        QStringList expected;
        for (const QString& file : kept)
            expected << file + ' ' + QCryptographicHash::hash(readFile("src/Data/" + file), QCryptographicHash::Sha256).toHex();
        expected.sort();
        taken.sort();
        EXPECT_EQ(taken, expected);
        const BackupRun::Counts& counts = excluding.counts;
        EXPECT_EQ((std::array{counts.files, counts.excludedFiles, counts.excludedFolders}), (std::array<qint64, 3>{6, 3, 5}));
        EXPECT_TRUE(JobStatus::resultLine("J", RunRecord::Result::Completed, counts, 1, {})
                        .endsWith("in 1 s; 3 files and 5 folders left out by the job's exclusions"));
    }
    EXPECT_TRUE(transactionLog().filter("closed").isEmpty());
    ::chmod(QFile::encodeName(path("src/Data/closed")).constData(), 0755);
}
