#pragma once
// The command line's requests to the running agent, over the agent's local socket: one line
// "run NAME" (the name percent-encoded), answered when the run has ended with "ended STATUS"
// (the command's exit status), or at once with "unknown" for a job the agent doesn't list.

#include "jobs/RunRecord.h"
#include "lib/Result.h"

#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <optional>
#include <vector>

class QLocalSocket;

namespace AgentLink {

// The exit status of `run` and `restore` for a run's result: 0 completed, 1 failed,
// 2 incomplete, 3 stopped.
int exitStatus(RunRecord::Result result);

// The request's first word, which the agent's socket hands to AgentCommands.
inline const QByteArray RunWord = "run ";

// Asks the agent listening on `socketName` to run the job, and waits until it has: the
// exit status, or why the agent failed us. Nothing when no agent listens.
std::optional<Result<int>> runThroughAgent(const QString& socketName, const QString& jobName);

}  // namespace AgentLink

// The agent's side: runs asked for by the command line wait for the agent's own run to end,
// and a job asked for again while it waits or runs is run once for every asker.
class AgentCommands : public QObject {
    Q_OBJECT
public:
    struct AgentHooks {
        std::function<bool(const QString& name)> knows;  // whether a job of that name is listed
        std::function<bool(const QString& name)> start;  // starts a run; false while another runs
    };
    AgentCommands(AgentHooks agent, QObject* parent);

    // A request line from the command line; the peer is answered and closed here.
    void serve(const QByteArray& request, QLocalSocket* peer);
    // The agent's run of `name` has ended.
    void runEnded(const QString& name, RunRecord::Result result);
    // Starts the next asked-for run when the agent is free.
    void startNext();

private:
    AgentHooks m_agent;
    std::vector<QString> m_waiting;  // in the order asked, not yet started
    std::map<QString, std::vector<QLocalSocket*>> m_askers;
};
