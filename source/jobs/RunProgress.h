#pragma once
// What a backup run tells while it works: the status text of its step and how far it is.
// The run calls its sink on the thread it runs on; the job runner is the real sink.

#include <QString>

// How far a run is: the entries done of all, the files backed up of those listed so far (the
// files of the entries up to the one at work), and the entry or file at work.
struct RunProgress {
    qsizetype entriesDone = 0;
    qsizetype entries = 0;
    qint64 filesDone = 0;
    qint64 files = 0;
    QString current;
};

class RunProgressSink {
public:
    virtual ~RunProgressSink() = default;

    // The status text of the step at work ("Zipping Up   /home/ann/Mail"); "" when the run is over.
    virtual void setStatusText(const QString& text) = 0;
    // Told before each entry is taken up and as each file is backed up.
    virtual void setProgress(const RunProgress& progress) = 0;
};
