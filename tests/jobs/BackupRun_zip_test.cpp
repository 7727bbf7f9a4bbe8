// Compressed backup runs against the real zip.
#include "BackupRunFixture.h"

#include <optional>

TEST_F(BackupRunTest, ZipsFilesFoldersAndWildcardGroupsExactly)
{
    const QString odd = writeFile("odd/-lead \"q\" $HOME ünï", "odd");
    const QStringList deep{"src/sub/.deeper/x.txt", "src/sub/deep.txt"};
    const QStringList top{"src/.hidden", "src/Makefile", "src/notes.md", "src/top.txt"};
    for (const QString& file : deep + top)
        writeFile(file, file.toUtf8());
    QFile::link(path("src"), path("srclink"));
    for (const char* picture : {"pics/IMG_0001.JPG", "pics/b.Jpg", "pics/sub/c.jpg", "pics/d.txt"})
        writeFile(picture, QByteArray(5000, 'p'));
    const struct { QStringList entries; bool subdirectories; QStringList names; } cases[] = {
        {{odd}, true, {"odd/-lead \"q\" $HOME ünï"}},  // a single file never recurses
        {{path("src/*.*")}, true, QStringList{"src/", "src/sub/", "src/sub/.deeper/"} + deep + top},
        {{path("src/*.*")}, false, top},
        {{path("src/*.txt")}, true, deep + QStringList{"src/top.txt"}},
        {{path("src/*.txt"), path("odd/*.*")}, false, {"odd/-lead \"q\" $HOME ünï", "src/top.txt"}},
        {{path("srclink/*.*")}, true, (QStringList{"src/sub/", "src/sub/.deeper/"} + deep + top).replaceInStrings("src/", "srclink/")},
        {{path("pics/?.JPG")}, true, {"pics/b.Jpg"}},  // a "?" makes a group too, in any letter case, never recursing
        {{path("pics/*.jpg"), odd}, true, {"pics/IMG_0001.JPG", "pics/b.Jpg", "pics/sub/c.jpg", "odd/-lead \"q\" $HOME ünï"}},
    };
    for (const auto& [entries, subdirectories, names] : cases) {
        TestJob zipped = job(entries, {.subdirectories = subdirectories});
        EXPECT_FALSE(run(zipped));
        QStringList expected = names;
        expected.sort();
        EXPECT_EQ(namesBelow(archive()), expected);
        EXPECT_EQ(unzip({"-t", archive()}), 0);
    }
    QByteArray listing;
    unzip({"-v", archive()}, &listing);
    EXPECT_EQ(listing.count("5000  Stored"), 3);  // pictures are not deflated again, whatever their letter case
    EXPECT_EQ(member(archive(), "odd/-lead \"q\" $HOME ünï"), "odd");
    EXPECT_EQ(transactionLog().filter(QRegularExpression("^Running .*/zip -v -nw -y -n \\(stored suffixes\\) -b .*/bk/.MyJob.arkwell "
                                                         ".*/bk/.MyJob.arkwell/new.zip -@ \\(3 file names on standard input\\)$"))
                  .size(), 2);
}

// Names are bytes: a line end, a wildcard or a bracket in one is part of the name, nothing
// comes from the folder the program was started in, and a name zip can't be given is named.
TEST_F(BackupRunTest, EveryFileIsArchivedUnderItsOwnNameNeverAsAPattern)
{
    const QByteArray src = QFile::encodeName(path("src"));
    QDir().mkpath(path("src"));
    for (const QByteArray name : {"report", "report\r", "cr\rsecret", "q?", "qx", "star*", "starry", "[ab]", "a", "two\nlines"})
        std::ofstream((src + '/' + name).toStdString()) << name.toStdString();
    writeFile("started/secret", "from the folder the program was started in");
    const QString startedIn = QDir::currentPath();
    QDir::setCurrent(path("started"));
    const auto of = [&](const QRegularExpression& names) {
        return treeHashes(path("src")).filter(names).replaceInStrings(QRegularExpression("^"), "src/");
    };
    const struct { QStringList entries; QRegularExpression names; } cases[] = {
        {{path("src/*.*")}, QRegularExpression(".")},
        {{path("src/q?"), path("src/star*"), path("src/[ab]"), path("src/cr\rsecret")}, QRegularExpression("^(q\\?|star\\*|\\[ab\\]|cr\\\\rsecret) ")},
    };
    for (const auto& [entries, names] : cases) {
        TestJob byName = job(entries, {.subdirectories = true});
        EXPECT_FALSE(run(byName));
        EXPECT_EQ(restored(archive()), of(names));
    }
    std::ofstream((src + "/not\xff\rtext").toStdString()) << "x";  // a line end goes as an argument, which is text
    TestJob all = job({path("src/*.*")});
    EXPECT_TRUE(run(all));
    EXPECT_EQ(all.outcome, BackupRun::Outcome::Incomplete);
    EXPECT_EQ(transactionLog().filter("text' is not in the archive: zip can't be given a name holding a line break that is not text.").size(), 1) << transactionLog().join("\n").toStdString();
    QDir::setCurrent(startedIn);
}

// The status line shows each entry, a long one shortened (the log has it whole); the progress
// counts every file zipped or copied, named, up to the files listed.
TEST_F(BackupRunTest, StatusAndProgressFollowEachEntryAndFile)
{
    const QStringList folder = {writeFile("s/x1", "1"), writeFile("s/x2", "2"), writeFile("s/x3", "3")};
    const QString file39 = writeFile("t/" + QString(38 - path("t").size(), QLatin1Char('a')), "4");
    const QString file40 = writeFile("t/" + QString(39 - path("t").size(), QLatin1Char('b')), "5");
    ASSERT_EQ(file39.size(), 39);
    QStringList expected{"0/3 0/0 " + path("s/*.*")};
    for (int done = 1; done <= 3; ++done)
        expected << QStringLiteral("0/3 %1/3 ").arg(done) + folder[done - 1];
    expected << "1/3 3/3 " + file39 << "1/3 4/4 " + file39 << "2/3 4/4 " + file40 << "2/3 5/5 " + file40;
    for (const bool compress : {true, false}) {
        TestJob both = job({path("s/*.*"), file39, file40}, {.compress = compress});
        RecordingSink host;
        EXPECT_FALSE(run(both, &host));
        EXPECT_EQ(host.progress, expected);
        const QString doing = compress ? "Zipping Up   " : "Backing Up   ";
        EXPECT_EQ(host.texts.front(), "Initializing...");
        EXPECT_TRUE(host.texts.contains(doing + file39));
        EXPECT_TRUE(host.texts.contains(doing + file40.left(3) + "..." + file40.right(34)));
        EXPECT_TRUE(transactionLog().contains(doing + file40));
    }
}

TEST_F(BackupRunTest, EveryPasswordTheWizardAcceptsOpensTheArchiveExactlyAsTyped)
{
    writeFile("src/secret.txt", "secret");
    QStringList corpus{"two words", " lead and trail\t", "tab\there", "pässwörd ñ €", "a \\back slash\\", "a \"b"};
    for (char c = ' '; c <= '~'; ++c)  // each printable character at the start, in the middle and at the end
        corpus << QString(QLatin1Char(c)) + "pa" + QLatin1Char(c) + "ss" + QLatin1Char(c);
    for (const QString& password : corpus) {
        SCOPED_TRACE(password.toStdString());
        TestJob secret = job({path("src/secret.txt")});
        secret.setPassword(password);
        const auto before = targetFiles();
        if (!Job::passwordFitsZip(password)) {  // refused before anything changes
            EXPECT_TRUE(run(secret));
            EXPECT_EQ(targetFiles(), before);
            continue;
        }
        EXPECT_FALSE(run(secret));
        EXPECT_EQ(unzip({"-tqq", "-P", password, archive()}), 0);
        EXPECT_NE(unzip({"-tqq", "-P", password + "x", archive()}), 0);
        EXPECT_EQ(member(archive(), "src/secret.txt", password), "secret");
    }
    EXPECT_EQ(transactionLog().filter("-P (password not shown)").size(), corpus.size() - 3);
    EXPECT_EQ(transactionLog().filter("which zip can't be given").size(), 3);
    EXPECT_FALSE(readFile("arkwell.log").contains("pa~ss"));
}

// Every child of a run (zip for each entry, unzip testing the encrypted archive beside it)
// records its argument list.
TEST_F(BackupRunTest, PasswordIsInNoChildsArgumentList)
{
    const QByteArray record = "{ cat /proc/$$/cmdline; echo; } >> \"${0%/*}/cmdlines\"\n";
    standInZip(record + "exec $ZIP_REAL \"$@\"");
    writeFile("unzip", "#!/bin/sh\n" + record + "exec /usr/bin/unzip \"$@\"\n");
    ::chmod(QFile::encodeName(path("unzip")).constData(), 0755);
    writeFile("src/f1.bin", QByteArray(200000, 'a'));
    TestJob secret = job({path("src/f1.bin"), path("src/*.*"), path("src/*.bin")}, {.subdirectories = true});
    secret.setPassword(QStringLiteral("hunter two"));
    EXPECT_FALSE(run(secret));
    EXPECT_EQ(readFile("cmdlines").count('\n'), 4);
    EXPECT_EQ(readFile("cmdlines").count("unzip"), 1);
    EXPECT_FALSE(readFile("cmdlines").contains("hunter"));
    EXPECT_EQ(unzip({"-t", "-P", "hunter two", archive()}), 0);
}

// Four runs of an incremental job: after each, the kept archives (newest over older) restore
// every file of the source. A run takes what changed, moved in or was copied in with its old
// times since the run before began; a clock that was ahead makes a run full, and so does a
// rotation that would drop the last full archive.
TEST_F(BackupRunTest, IncrementalChainsKeepEveryFileRestorable)
{
    const QDateTime old(QDate(2020, 3, 1), QTime(12, 0));
    for (const char* file : {"src/still.txt", "src/sub/deep.txt", "away/moved0", "away/copied0", "away/moved2", "away/copied2"})
        setModified(writeFile(file, file), old);
    for (int copies : {0, 2}) {
        SCOPED_TRACE(copies);
        QDir(path("bk")).removeRecursively();
        QDir().mkpath(path("bk"));
        TestJob chain = job({path("src/*.*")}, {.subdirectories = true, .copies = copies});
        chain.setIncremental(true);
        const QString n = QString::number(copies);
        const std::function<void()> changes[] = {
            [] {},
            [&] {
                writeFile("src/still.txt", "edited " + n.toUtf8());
                QFile::rename(path("away/moved" + n), path("src/moved" + n));
                QProcess::execute("cp", {"-p", path("away/copied" + n), path("src/sub/")});
            },
            [&] { chain.history = BackupRun::History{{}, chain.history.fullArchives, QDateTime::currentDateTimeUtc().addDays(1)}; },
            [&] { writeFile("src/new" + n, "new"); },
        };
        const QList<int> fulls[] = {{0}, copies ? QList<int>{1} : QList<int>{0}, copies ? QList<int>{0, 2} : QList<int>{0},
                                    copies ? QList<int>{1} : QList<int>{0}};
        for (int r = 0; r < 4; ++r) {
            changes[r]();
            EXPECT_FALSE(run(chain));
            EXPECT_EQ(chain.history.fullArchives, fulls[r]) << r;
            std::map<QString, QString> newest;
            for (int copy = copies; copy >= 0; --copy)
                if (const QString kept = copy ? archive("_" + QString::number(copy)) : archive(); QFile::exists(kept))
                    for (const QString& file : restored(kept))
                        newest[file.section(' ', 0, -2)] = file;
            QStringList kept;
            for (const auto& [name, file] : newest)
                kept << file;
            EXPECT_EQ(kept, treeHashes(path("src")).replaceInStrings(QRegularExpression("^"), "src/")) << r;
        }
        if (copies)  // the second run's archive: only what changed, moved or was copied in
            EXPECT_EQ(restored(archive("_2")).replaceInStrings(QRegularExpression(" .*"), ""),
                      (QStringList{"src/moved2", "src/still.txt", "src/sub/copied2"}));
    }
}

TEST_F(BackupRunTest, RotationKeepsTheAskedNumberOfCopiesNewestFirstOrPutsEveryArchiveBack)
{
    auto runNumber = [&](TestJob& rotating, int n) {
        writeFile("src/run.txt", QByteArray::number(n));
        EXPECT_FALSE(run(rotating));
    };
    auto runsIn = [&](const QString& suffix) { return member(archive(suffix), "src/run.txt"); };
    for (int copies : {0, 1, 3}) {
        SCOPED_TRACE(copies);
        QDir(path("bk")).removeRecursively();
        QDir().mkpath(path("bk"));
        TestJob rotating = job({path("src/run.txt")}, {.copies = copies});
        for (int n = 1; n <= 5; ++n)
            runNumber(rotating, n);
        EXPECT_EQ(runsIn(""), "5");
        for (int k = 1; k <= 4; ++k)
            EXPECT_EQ(QFile::exists(archive("_" + QString::number(k))), k <= copies) << k;
        for (int k = 1; k <= copies; ++k)
            EXPECT_EQ(runsIn("_" + QString::number(k)), QByteArray::number(5 - k));
    }
    // Copies beyond the number kept go; those above the program's limit are left alone.
    maxCopies = 4;
    for (int k = 4; k <= 6; ++k)
        writeFile("bk/MyJob_" + QString::number(k) + ".zip", "old");
    TestJob rotating = job({path("src/run.txt")}, {.copies = 3});
    runNumber(rotating, 6);
    EXPECT_FALSE(QFile::exists(archive("_4")));
    EXPECT_TRUE(QFile::exists(archive("_5")));
    EXPECT_EQ(runsIn("_1"), "5");
    EXPECT_EQ(runsIn("_3"), "3");

    // A current archive that can't be moved (a folder in copy 1's place) fails the run with the
    // likely cause in the log (no box: the run has no window), and every archive moved
    // meanwhile is put back.
    QFile::remove(archive("_1"));
    writeFile("bk/MyJob_1.zip/blocker", "a folder in copy 1's place");
    const auto before = targetFiles();
    EXPECT_TRUE(run(rotating));
    EXPECT_EQ(targetFiles(), before);
    EXPECT_TRUE(messageBoxes.messages().empty());
    EXPECT_TRUE(transactionLog().contains("Fatal Error intercepted by Arkwell when renaming your previous zip file '"
                                          + path("bk/MyJob") + ".zip. This is due most likely to the zip file being "
                                          "locked because you were just viewing the zip file. The fix is to close all "
                                          "open zip files you are viewing."));
    EXPECT_FALSE(QFile::exists(path("arkwell.err")));
}

TEST_F(BackupRunTest, ThreeFailingRunsInARowChangeNoArchive)
{
    QFile random("/dev/urandom");
    random.open(QIODevice::ReadOnly);
    const QByteArray noise = random.read(300000);
    // Each failure with zip's stand-in, if any, and whether the run reads as the user nobody.
    const struct { const char* failure; QByteArray standIn; bool asNobody; } failures[] = {
        {"source missing", {}, false},
        {"target full", "ulimit -f 64\nexec $ZIP_REAL \"$@\"", false},
        {"source unreadable", {}, true},
        {"archive damaged", "$ZIP_REAL \"$@\"; rc=$?\nfor a; do case $a in *new.zip) printf XXXXXXXX | dd of=$a bs=1 "
                            "seek=100 conv=notrunc 2>/dev/null;; esac; done\nexit $rc", false},
    };
    for (int copies : {0, 1, 3}) {
        for (const auto& [failure, standIn, asNobody] : failures) {
            SCOPED_TRACE(std::string(failure) + ", copies " + std::to_string(copies));
            QDir(path("bk")).removeRecursively();
            QDir().mkpath(path("bk"));
            realZip();
            ::chmod(QFile::encodeName(path("src")).constData(), 0755);
            writeFile("src/big.bin", noise);
            TestJob failing = job({path("src/*.*")}, {.copies = copies});
            failing.setPassword(copies == 1 ? QStringLiteral("pw") : QString());  // unzip tests an encrypted archive
            for (int n = 0; n < 2; ++n)
                EXPECT_FALSE(run(failing));
            const auto before = targetFiles();
            if (!standIn.isEmpty())
                standInZip(standIn);
            if (QByteArray(failure) == "source missing")
                QDir(path("src")).removeRecursively();
            ::chmod(QFile::encodeName(path("src")).constData(), asNobody ? 0 : 0755);
            for (int n = 0; n < 3; ++n) {
                std::optional<AsNobody> nobody;
                if (asNobody)
                    nobody.emplace(*this);
                EXPECT_TRUE(run(failing));
                EXPECT_EQ(failing.outcome, BackupRun::Outcome::Failed);
            }
            EXPECT_EQ(targetFiles(), before);
            EXPECT_EQ(transactionLog().filter("The previous archives of the job 'My (Job)!' are kept as they were").size(), 3);
            EXPECT_EQ(transactionLog().filter("failed its test").size(), QByteArray(failure) == "archive damaged" ? 3 : 0);
            writeFile("arkwell.log", "");
        }
    }
}

TEST_F(BackupRunTest, FilesZipCantReadAreNamedAndTheRestIsPutInPlace)
{
    writeFile("src/a.txt", "a");
    writeFile("src/locked.txt", "no one reads this");
    writeFile("src/closed/b.txt", "b");
    ::chmod(QFile::encodeName(path("src/locked.txt")).constData(), 0);
    ::chmod(QFile::encodeName(path("src/closed")).constData(), 0);
    if (::geteuid() == 0)  // zip as nobody, who can't read them either
        standInZip("exec setpriv --reuid=65534 --regid=65534 --clear-groups $ZIP_REAL \"$@\"");
    TestJob partial = job({path("src/*.*")}, {.subdirectories = true});
    {
        AsNobody nobody(*this);
        EXPECT_TRUE(run(partial));
    }
    EXPECT_EQ(partial.outcome, BackupRun::Outcome::Incomplete);
    EXPECT_EQ(namesBelow(archive()), (QStringList{"src/", "src/a.txt", "src/closed/"}));
    const QStringList log = transactionLog();
    for (const QString& named : {"Arkwell Error, '" + path("src/locked.txt") + "' is not in the archive: zip could not read it.",
                                 "Arkwell Error, '" + path("src/closed") + "' is not in the archive: its folder can't be read (Permission denied).",
                                 "One or more source files were unable to be archived from the filespec for file item '" + path("src/*.*")
                                     + "'.  This error is typically caused by a file in use."})
        EXPECT_TRUE(log.contains(named)) << named.toStdString();
}

// What an entry can't give is named and the other entries go on: the archive of the rest is
// put in place and the run is incomplete.
TEST_F(BackupRunTest, AnEntryThatGivesNothingOrAWarningLeavesTheRunIncomplete)
{
    writeFile("src/a.txt", "a");
    QDir().mkpath(path("bare/only"));  // nothing but a subfolder, taken without subfolders
    const struct { QString entry, logged; } cases[] = {
        {path("src/*.pdf"), "Zip has nothing to do for file item '" + path("src/*.pdf") + "'."},
        {path("bare/*.*"), "Zip has nothing to do for file item '" + path("bare/*.*") + "'."},
        // Its size is 0 to stat and its content longer, as a file that changes while zip reads it.
        {"/proc/version", "Arkwell Error, '/proc/version' may be damaged in the archive: zip warned 'file size changed while zipping'."},
    };
    for (const auto& [entry, logged] : cases) {
        TestJob partial = job({entry, path("src/*.*")});
        EXPECT_TRUE(run(partial));
        EXPECT_EQ(partial.outcome, BackupRun::Outcome::Incomplete);
        EXPECT_TRUE(transactionLog().contains(logged)) << logged.toStdString();
        EXPECT_EQ(restored(archive()), treeHashes(path("src")).replaceInStrings(QRegularExpression("^"), "src/"));
    }
}

TEST_F(BackupRunTest, AKilledRunLeavesNothingTheNextRunDoesNotRemove)
{
    writeFile("src/a.bin", QByteArray(300000, 'a'));
    writeFile("bk/.MyJob.arkwell/new.zip", "a killed agent's archive");  // what a killed agent leaves
    writeFile("bk/.MyJob.arkwell/zi12345", "and zip's temporary file");
    standInZip("$ZIP_REAL \"$@\" & sleep 0.05; kill -KILL $$");
    TestJob killed = job({path("src/a.bin")});
    EXPECT_TRUE(run(killed));
    realZip();
    EXPECT_FALSE(run(killed));
    EXPECT_EQ(listed("bk"), QStringList{"MyJob.zip"});
    const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser;
    EXPECT_EQ(QFileInfo(archive()).permissions(), ownerOnly);
    EXPECT_EQ(QFileInfo(path("arkwell.log")).permissions(), ownerOnly);
}

TEST_F(BackupRunTest, AnyNameAndKindOfFileInBothKindsOfBackup)
{
    const QByteArray odd = QFile::encodeName(path("odd"));
    QDir().mkpath(path("odd/sub"));
    std::ofstream((odd + "/caf\xe9.txt").toStdString()) << "latin-1 name";
    ::symlink(".", (odd + "/sub/loop").constData());
    ::mkfifo((odd + "/fifo").constData(), 0600);
    QProcess::execute("python3", {"-c", "import socket,sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])", path("odd/sock")});
    for (bool compress : {true, false}) {
        TestJob any = job({path("odd/*.*")}, {.compress = compress, .subdirectories = true});
        EXPECT_FALSE(run(any));
        EXPECT_EQ(any.counts.files, 2);
    }
    QByteArray names;
    unzip({"-Z1", archive()}, &names);
    const QByteArray inside = stored("odd/").toUtf8();
    EXPECT_EQ(names, inside + "\n" + inside + "caf\xe9.txt\n" + inside + "sub/\n" + inside + "sub/loop\n");
    struct stat copied {};
    EXPECT_EQ(::lstat(QFile::encodeName(path("bk/odd")) + "/caf\xe9.txt", &copied), 0);
    EXPECT_EQ(::lstat(QFile::encodeName(path("bk/odd/sub/loop")).constData(), &copied), 0);
    EXPECT_TRUE(S_ISLNK(copied.st_mode));
    EXPECT_EQ(transactionLog().filter("': a socket, FIFO or device holds no data to back up.").size(), 4);
    for (const char* loop : {"odd/sub/loop", "bk/odd/sub/loop"})
        QFile::remove(path(loop));
}

// The target below the source (by any spelling), or the target itself as a flat source:
// other files are kept, the job's own archives, another job's and any job's work folder never go in.
TEST_F(BackupRunTest, ATargetInTheSourceKeepsTheJobsOwnArchivesOut)
{
    writeFile("home/a.txt", "a");
    writeFile("home/bk/other.zip", "another program's archive");
    writeFile("home/bk/.Other.arkwell/new.zip", "another job's run in progress");
    writeFile("home/bk/Other.zip", "another job's archive");
    QFile::link(path("home"), path("homelink"));
    writeFile("bk/notes.txt", "n");
    writeFile("bk/MyJob_x.zip", "not a copy of the job");
    writeFile("bk/MyJob_2024.zip", "nor this: the copies go up to 99");
    const struct { const char *source, *target; bool subdirectories; QStringList names; } cases[] = {
        {"home/*.*", "home/bk", true, {"home/a.txt", "home/bk/other.zip"}},
        {"home/*.*", "homelink/bk", true, {"home/a.txt", "home/bk/other.zip"}},  // the target by another spelling
        {"bk/*.*", "bk", false, {"bk/MyJob_2024.zip", "bk/MyJob_x.zip", "bk/notes.txt"}},
    };
    for (const auto& [source, target, subdirectories, names] : cases)
        for (int copies : {0, 2}) {
            TestJob own = job({path(source)}, {.subdirectories = subdirectories, .copies = copies});
            own.setTargetDirectory(path(target));
            own.history = BackupRun::History{{}, {}, {}, {path("home/bk/Other.zip")}};
            for (int n = 0; n < 3; ++n)
                EXPECT_FALSE(run(own));
            EXPECT_EQ(namesBelow(path(target) + "/MyJob.zip").filter(QRegularExpression("[^/]$")), names);
        }
}

TEST_F(BackupRunTest, AQuestionMarkInTheJobsNameDeletesOnlyItsOwnArchives)
{
    writeFile("src/a.txt", "a");
    writeFile("bk/DocsA.zip", "the other job's archive");
    writeFile("bk/DocsA_1.zip", "the other job's copy");
    TestJob docs = job({path("src/a.txt")});
    docs.setName(QStringLiteral("Docs?"));
    for (qint16 copies : {1, 0}) {
        docs.setCopies(copies);
        EXPECT_FALSE(run(docs));
        EXPECT_FALSE(run(docs));
    }
    EXPECT_EQ(readFile("bk/DocsA.zip"), "the other job's archive");
    EXPECT_EQ(readFile("bk/DocsA_1.zip"), "the other job's copy");
    ASSERT_TRUE(QFile::copy(path("bk/Docs?.zip"), path("docs.zip")));  // unzip reads "?" as a pattern
    EXPECT_EQ(unzip({"-tqq", path("docs.zip")}), 0);
}
