#pragma once
// Desktop notifications through the freedesktop notification service on the session bus,
// so a failure is seen with or without a tray: a failed or incomplete scheduled run, and a
// job that has gone too long without a completed run. Nothing is told for a good run.
// Without a bus or a notification service nothing is shown; a bus that never answers holds
// nothing but the thread that speaks to it.

#include "jobs/RunRecord.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

namespace libNotify {

struct Notification {
    QString summary;
    QString body;
};

// Where notifications go: the session bus unless a test installs one that records.
class Sender {
public:
    virtual ~Sender() = default;
    virtual void send(const Notification& notification) = 0;
};
void SetSender(Sender* sender);  // not owned; nullptr restores the session bus

// A scheduled run of the job has ended with `result`. A failed or incomplete one is told
// with its first reason.
void ScheduledRunEnded(const QString& jobName, RunRecord::Result result, const QString& firstReason);

// Several scheduled runs of one batch failed or were incomplete: one notification names them.
void ScheduledRunsFailed(const QStringList& jobNames);

// The program can't write its own files (told once per failure by the error handler).
void OwnFilesNotWritten(const QString& details);

// Tells, at most once a day per job, that the job is overdue (its last completed run lies more
// than twice its interval back). True when it was told now.
bool JobOverdue(const QString& jobName, const QDateTime& lastCompleted);

// Tells that the job waits for its drive (its label, else its folder) to be connected. The
// scheduler decides how often: once a day.
void JobWaiting(const QString& jobName, const QString& drive);

// Whether the session bus greets a new connection within `timeoutMs`. Checked before the
// toolkit first speaks to the bus (its tray icon asks the bus from the main thread and would
// wait on a bus that accepts and never answers). A bus that can't be reached at all answers
// quickly on its own: true.
bool SessionBusAnswers(int timeoutMs);
// Points the program, and the toolkit, away from a session bus that does not answer: no
// notifications, a tray icon of the older kind. Told on standard error.
void AvoidSessionBus();

// Ends the session bus's thread, waiting at most `waitMs` for it. False when a bus that does
// not answer still holds it: the program then ends without waiting for the bus any longer.
bool Finish(int waitMs);

// Emits `clicked` when the user clicks one of the program's notifications.
class Clicks : public QObject {
    Q_OBJECT
signals:
    void clicked();
};
Clicks& Events();

}  // namespace libNotify
