#pragma once
// One backup job: its name, schedule, entries, target and options, with the rules its name
// and password must keep and the paths of its archives.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTime>
#include <optional>

#include "lib/Exclusions.h"

class Job {
public:
    // Frequencies, as the job file stores them.
    enum : qint32 { Daily = 1, Weekly = 2, Monthly = 3 };
    // The weekday set: bit 2^n for weekday n, Sunday 1 to Saturday 7.
    enum : qint16 { Sunday = 2, Monday = 4, Tuesday = 8, Wednesday = 16, Thursday = 32, Friday = 64, Saturday = 128,
                    AllWeekdays = 254 };

    const QString& name() const { return m_name; }
    void setName(const QString& value) { m_name = value; }

    const QDateTime& lastRun() const { return m_lastRun; }
    void setLastRun(const QDateTime& value) { m_lastRun = value; }

    // The day the job is next due (at its start time), counted from the clock; nothing when
    // the schedule has no next run at all (no weekday, an unknown frequency, a day of month
    // no month has).
    std::optional<QDate> nextRunDate() const;
    // Tells the transaction log that the job has no next run and is not run until its
    // schedule is mended.
    void logNoNextRun() const;

    const QTime& startTime() const { return m_startTime; }
    void setStartTime(const QTime& value) { m_startTime = value; }

    qint32 frequency() const { return m_frequency; }
    void setFrequency(qint32 value) { m_frequency = value; }

    qint16 weekdays() const { return m_weekdays; }
    void setWeekdays(qint16 value) { m_weekdays = value; }
    // Rebuilds the weekday set from seven day choices, Monday first.
    void setWeekdays(bool monday, bool tuesday, bool wednesday, bool thursday, bool friday, bool saturday, bool sunday);

    qint16 dayOfMonth() const { return m_dayOfMonth; }
    void setDayOfMonth(qint16 value) { m_dayOfMonth = value; }

    bool compress() const { return m_compress; }
    void setCompress(bool value) { m_compress = value; }

    qint16 copies() const { return m_copies; }
    void setCopies(qint16 value) { m_copies = value; }

    const QString& password() const { return m_password; }
    void setPassword(const QString& value) { m_password = value; }

    bool incremental() const { return m_incremental; }
    void setIncremental(bool value) { m_incremental = value; }

    // Setting a folder without a trailing separator stores it with one.
    const QString& targetDirectory() const { return m_targetDirectory; }
    void setTargetDirectory(const QString& value);

    // The entries, each followed by CR LF.
    const QString& filesToZip() const { return m_filesToZip; }
    void setFilesToZip(const QString& value) { m_filesToZip = value; }
    QStringList entries() const { return entriesIn(m_filesToZip); }
    // The entries of a filesToZip text: every piece closed by CR LF that is not blank,
    // untrimmed; text after the last CR LF is not an entry.
    static QStringList entriesIn(const QString& filesToZip);

    // The options on "#key=value" lines after the entries, kept as read; unknown keys are
    // written back as they are.
    const QStringList& optionLines() const { return m_optionLines; }
    void setOptionLines(const QStringList& lines) { m_optionLines = lines; }
    // The patterns ("#exclude=") and whether folders tagged as caches are left out
    // ("#cachedir-tag=1"; a job file without the line leaves them in, as it always did).
    QStringList excludePatterns() const;
    bool leavesOutCaches() const;
    // Sets both; the option lines stay as they are when neither changes.
    void setExclusions(const QStringList& patterns, bool leaveOutCaches);
    Exclusions exclusions() const { return Exclusions(excludePatterns(), leavesOutCaches()); }

    bool subdirectories() const { return m_subdirectories; }
    void setSubdirectories(bool value) { m_subdirectories = value; }

    // Whether zip and unzip (its prompt too) can be handed this password, so that the archive
    // opens with it exactly as typed.
    static bool passwordFitsZip(const QString& password);

    // Whether the job's cleaned name names files inside their folder: not empty, "." or "..",
    // no "/" and no control character. A job file whose name doesn't is damaged.
    static bool nameStaysInFolder(const QString& name);

    // Where a plain copy of the entry lands: its folder's or file's own name in the target.
    static QString copyTarget(const QString& targetDirectory, const QString& entry);

    // The job's archive (copy 0) or its previous copy k, newest first.
    QString archivePath(int copy = 0) const;
    // The hidden folder of the job's own in the target where a run builds its archive or
    // copies (and zip keeps its temporary files) until they are complete.
    QString workFolder() const;

private:
    QString m_name;
    QDateTime m_lastRun;
    QTime m_startTime = QTime(0, 0);
    qint32 m_frequency = 0;
    qint16 m_weekdays = 0;
    qint16 m_dayOfMonth = 0;
    bool m_compress = false;
    qint16 m_copies = 0;
    QString m_password;
    QString m_targetDirectory;
    QString m_filesToZip;
    QStringList m_optionLines;  // "#key=value" lines after the entries, kept as read
    bool m_subdirectories = false;
    bool m_incremental = false;
};
