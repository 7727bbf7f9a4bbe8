#pragma once
// A kernel lock per job, held while a backup or a restore of the job runs, so that no two of
// them ever overlap, whichever Arkwell process runs them. The kernel drops it when its process
// ends, however it ends.

#include <QString>
#include <memory>

class JobLock {
public:
    ~JobLock();
    JobLock(const JobLock&) = delete;
    JobLock& operator=(const JobLock&) = delete;

    // The job's lock, when no other run or restore of it holds it; nothing otherwise.
    static std::unique_ptr<JobLock> tryTake(const QString& jobName);

private:
    explicit JobLock(int fd) : m_fd(fd) {}
    int m_fd;
};
