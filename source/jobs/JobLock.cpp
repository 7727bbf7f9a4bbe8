#include "jobs/JobLock.h"

#include "lib/AppPaths.h"
#include "lib/Text.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

JobLock::~JobLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

// The lock files live in a folder of their own in the data folder; their content is never read.
// One that can't be opened at all (the data folder refuses) locks nothing rather than block
// every backup.
std::unique_ptr<JobLock> JobLock::tryTake(const QString& jobName)
{
    const QString folder = AppPaths::dataFile(QStringLiteral("JobLocks"));
    QDir().mkpath(folder);
    const QByteArray path = QFile::encodeName(folder + QLatin1Char('/') + Text::cleanedName(jobName));
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return std::unique_ptr<JobLock>(new JobLock(-1));
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<JobLock>(new JobLock(fd));
}
