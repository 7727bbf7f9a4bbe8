#pragma once
// The six-step job definition wizard.

#include <QDialog>

class frmSchedule;

class frmWIZ_JobDefinition : public QDialog {
    Q_OBJECT
public:
    // The wizard deletes itself when it closes; it works on `schedule`'s job list.
    explicit frmWIZ_JobDefinition(frmSchedule* schedule);

    // True: define a new job; False: edit the job of the selected row.
    void setAddJob(bool bAddJob);
    bool AddJob() const { return m_addJob; }

private:
    frmSchedule* m_schedule;
    bool m_addJob = true;
};
