#pragma once
// Fixtures shared by the tests: a temporary application folder, a settable clock, a recorder
// that answers message boxes, and a fatal end that throws instead of ending the process.

#include "lib/Clock.h"
#include "lib/Messages.h"
#include "lib/ChildProcess.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

namespace testing_support {

// Thrown by the fatal end in tests, so a test can see that the program would have ended.
// Deliberately not a std::exception: no guard of the program catches it.
struct FatalEnd {};

// A clock that stands still until the test sets or advances it.
class TestClock : public Clock {
public:
    explicit TestClock(QDateTime now) : m_now(std::move(now)) { Clock::install(this); }
    ~TestClock() override { Clock::install(nullptr); }
    void set(const QDateTime& now) { m_now = now; }
    void advanceSeconds(qint64 seconds) { m_now = m_now.addSecs(seconds); }

protected:
    QDateTime currentDateTime() const override { return m_now; }

private:
    QDateTime m_now;
};

// Records every message box and answers with the queued answers, then with each box's default.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder() { Messages::setHandler({}); }
    void answerNext(Messages::Answer answer) { m_answers << answer; }
    const std::vector<Messages::Message>& messages() const { return m_messages; }

private:
    std::vector<Messages::Message> m_messages;
    QList<Messages::Answer> m_answers;
};

// Records the programs that would be started detached; waited ones run for real.
class LauncherRecorder : public ChildProcess::Launcher {
public:
    LauncherRecorder() { ChildProcess::setLauncher(this); }
    ~LauncherRecorder() override { ChildProcess::setLauncher(nullptr); }
    qint32 run(const ChildProcess::ProgramRun& run) override { return ChildProcess::runAndWaitForReal(run); }
    bool startDetached(const QString& program, const QStringList& arguments) override
    {
        detached.push_back(QStringList{program} + arguments);
        return detachedSucceeds;
    }

    std::vector<QStringList> detached;  // program first, then its arguments
    bool detachedSucceeds = true;
};

// A test with its own application folder (a temporary one) and a throwing fatal end.
class AppFolderTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QString appFolder() const { return m_folder.path(); }
    QString path(const QString& relative) const { return m_folder.filePath(relative); }
    // Creates a file (and its folders) with the given content.
    QString writeFile(const QString& relative, const QByteArray& content) const;
    QByteArray readFile(const QString& relative) const;
    QStringList transactionLog() const;  // the log's lines, without their time stamps

    MessageRecorder messageBoxes;

private:
    QTemporaryDir m_folder;
};

}  // namespace testing_support

// Failure messages show texts as texts.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* out)
{
    *out << "{\"" << texts.join(QStringLiteral("\", \"")).toStdString() << "\"}";
}
