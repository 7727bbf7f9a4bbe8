#pragma once
// Desktop notifications through the freedesktop notification service on the session bus,
// so a failure is seen with or without a tray: a failed or incomplete scheduled run, and a
// job that has gone too long without a completed run. Nothing is told for a good run; the
// notification of a failed run is withdrawn once the job completes a run again.
// Without a bus or a notification service nothing is shown; a bus that never answers holds
// nothing but the thread that speaks to it.

#include "jobs/RunRecord.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

namespace DesktopNotifications {

struct Notification {
    QString summary;
    QString body;
    QStringList failedJobs; // the jobs whose failure it tells: withdrawn once all completed since
};

// Where notifications go: the session bus unless a test installs one that records.
class Sender {
public:
    virtual ~Sender() = default;
    virtual void send(const Notification& notification) = 0;
    // The job completed a run: the failures told of it are no longer news.
    virtual void withdraw(const QString& jobName) = 0;
};
void setSender(Sender* sender); // not owned; nullptr restores the session bus

// A scheduled run of the job has ended with `result`. A failed or incomplete one is told
// with its first reason.
void scheduledRunEnded(const QString& jobName, RunRecord::Result result, const QString& firstReason);

// Several scheduled runs of one batch failed or were incomplete: one notification names them.
void scheduledRunsFailed(const QStringList& jobNames);

// The program can't write its own files (told once per failure by the error handler).
void ownFilesNotWritten(const QString& details);

// A run of the job completed: a notification of its failure still shown is withdrawn.
void runCompleted(const QString& jobName);

// Tells that the job is overdue (its last completed run lies more than twice its interval
// back). The scheduler decides how often: once a day.
void jobOverdue(const QString& jobName, const QDateTime& lastCompleted);

// Tells that the job waits for its drive (its label, else its folder) to be connected. The
// scheduler decides how often: once a day.
void jobWaiting(const QString& jobName, const QString& drive);

// Whether the session bus greets a new connection within `timeoutMs`. Checked before the
// toolkit first speaks to the bus (its tray icon asks the bus from the main thread and would
// wait on a bus that accepts and never answers). A bus that can't be reached at all answers
// quickly on its own: true.
bool sessionBusAnswers(int timeoutMs);
// Points the program, and the toolkit, away from a session bus that does not answer: no
// notifications, a tray icon of the older kind. Told on standard error.
void avoidSessionBus();

// Ends the session bus's thread, waiting at most `waitMs` for it. False when a bus that does
// not answer still holds it: the program then ends without waiting for the bus any longer.
bool finish(int waitMs);

// Emits `clicked` when the user clicks one of the program's notifications.
class Clicks : public QObject {
    Q_OBJECT
signals:
    void clicked();
};
Clicks& events();

} // namespace DesktopNotifications
