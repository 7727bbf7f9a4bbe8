#pragma once
// What a backup run needs of the window that hosts it: a status text, the four lamps of its
// activity indicator, and an immediate repaint. The job list window is the real host.

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

class BackupHost {
public:
    virtual ~BackupHost() = default;

    // The status text shown to the user while the run works; "" clears it.
    virtual void setMessageText(const QString& text) = 0;
    // imgLight(index), index 0 to 3: 0 green lit, 1 green dark, 2 red lit, 3 red dark.
    virtual void setLightVisible(int index, bool visible) = 0;
    // Draws the window at once, so a change shows before the run goes on.
    virtual void repaintNow() = 0;
    // The busy (hourglass) pointer for the whole program while the run works; a host without
    // a pointer ignores it.
    virtual void setBusyPointer(bool /*busy*/) {}
    // Told before each entry is taken up and as each file is backed up; a host that shows no
    // progress ignores it.
    virtual void setProgress(const RunProgress& /*progress*/) {}
};
