#pragma once
// The program's start with its windows: the entry procedure and the loading of the job list.

class QApplication;
class JobListWindow;

namespace AgentStart {

// Refuses a second instance, loads the job list, shows the tray icon and runs the event
// loop until the program ends. Returns the exit code.
int run(QApplication& app);
// Adds one row per job file of the jobs folder. A file that is not a readable job file, or
// names a job already listed, is skipped and left untouched; one message names each
// skipped file and why. A job whose schedule has no next run is listed as such, told once
// and written to the transaction log.
void loadJobList(JobListWindow& schedule);

}  // namespace AgentStart
