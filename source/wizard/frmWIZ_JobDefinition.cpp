#include "wizard/frmWIZ_JobDefinition.h"

#include "lib/libForms.h"

frmWIZ_JobDefinition::frmWIZ_JobDefinition(frmSchedule* schedule)
    : m_schedule(schedule)
{
    setObjectName(QStringLiteral("frmWIZ_JobDefinition"));
    setAttribute(Qt::WA_DeleteOnClose);
    libForms::RegisterForm(this);
}

void frmWIZ_JobDefinition::setAddJob(bool bAddJob)
{
    m_addJob = bAddJob;
}
