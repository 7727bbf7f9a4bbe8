#pragma once
// A backup job as the user defines it, before it becomes a record: the values of the six
// wizard steps, the checks that leaving a step and Finish make on them, and the record they give.

#include "lib/Messages.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>
#include <array>
#include <optional>

class Job;

struct JobDefinition {
    QString name;
    QString startTime;  // as typed
    qint32 frequency = 0;  // Job::Daily, Weekly or Monthly; 0 when none is chosen
    std::array<bool, 7> days{};  // Monday first
    qint16 dayOfMonth = 0;  // 0 when none is chosen
    QStringList entries;
    bool subdirectories = false;
    QString targetDirectory;
    bool incremental = false;
    bool compress = true;
    qint16 numberCopies = 0;
    bool passwordProtect = false;
    QString password;
    QString passwordConfirmation;  // typed a second time; must match a password that protects
    QStringList excludePatterns;
    bool leaveOutCaches = true;
    QStringList optionLines;  // the edited job's option lines, unknown keys kept

    // The other jobs that the name and the job file must not clash with.
    struct Neighbours {
        QStringList jobNames;  // every job's name but the edited one's
        QStringList jobFiles;  // every job's file but the edited one's
        QString ownJobFile;  // the edited job's file; empty for a new job
        QString jobFilePath;  // the file the job would be written to
    };

    // A failed check: what to tell the user, in a "Verification Error" box with this icon,
    // and the step to show (none: the step shown stays).
    struct Failure {
        QString message;
        std::optional<int> step;
        Messages::Icon icon = Messages::Icon::Information;
    };

    // The first check of the step (1 to 6) that fails, made when the user leaves the step; none
    // when they pass.
    std::optional<Failure> stepFailure(int step, const Neighbours& neighbours) const;
    // The first check that fails, step by step, then the checks across steps; none when the
    // job can be saved.
    std::optional<Failure> firstFailure(const Neighbours& neighbours) const;
    // The record this definition gives, last run on `today`.
    Job toJob(const QDate& today) const;

    // The name proposed for a new job: "New Backup Job", numbered on from the highest
    // "New Backup Job n" among `jobNames`.
    static QString defaultName(const QStringList& jobNames);
    // The time of day a start time text gives (a plain date gives midnight); none when it
    // reads as no time.
    static std::optional<QTime> readStartTime(const QString& text);
    // The start time's message with its correction hint; empty when the text reads as a time.
    static QString startTimeError(const QString& text);
    // The form the start time box shows: "3:00 AM", "11:58 PM".
    static QString startTimeText(const QTime& time);
};
