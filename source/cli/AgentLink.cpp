#include "cli/AgentLink.h"

#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

namespace {

constexpr int ConnectMs = 2000;
const QByteArray EndedWord = "ended ";
const QByteArray UnknownAnswer = "unknown\n";

}  // namespace

namespace AgentLink {

int exitStatus(RunRecord::Result result)
{
    switch (result) {
    case RunRecord::Result::Completed: return 0;
    case RunRecord::Result::Incomplete: return 2;
    case RunRecord::Result::Stopped: return 3;
    case RunRecord::Result::Failed:
    case RunRecord::Result::CutOff:
    case RunRecord::Result::None: break;
    }
    return 1;
}

// The command line is a process of its own with nothing else to do: it waits blocking.
std::optional<Result<int>> runThroughAgent(const QString& socketName, const QString& jobName)
{
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(socketName);
    if (!socket.waitForConnected(ConnectMs))
        return std::nullopt;
    socket.write(RunWord + jobName.toUtf8().toPercentEncoding() + '\n');
    socket.waitForBytesWritten(ConnectMs);
    while (!socket.canReadLine() && socket.state() == QLocalSocket::ConnectedState)
        socket.waitForReadyRead(-1);
    const QByteArray answer = socket.readLine();
    if (answer == UnknownAnswer)
        return Failure{QStringLiteral("Arkwell has no Backup Job named '%1'.").arg(jobName)};
    bool number = false;
    const int status = answer.startsWith(EndedWord) ? answer.mid(EndedWord.size()).trimmed().toInt(&number) : 0;
    if (!number)
        return Failure{QStringLiteral("The running Arkwell ended before the run of '%1' did.").arg(jobName)};
    return status;
}

}  // namespace AgentLink

AgentCommands::AgentCommands(AgentHooks agent, QObject* parent) : QObject(parent), m_agent(std::move(agent)) {}

void AgentCommands::serve(const QByteArray& request, QLocalSocket* peer)
{
    const QString name = QString::fromUtf8(QByteArray::fromPercentEncoding(request.mid(AgentLink::RunWord.size()).trimmed()));
    if (!request.startsWith(AgentLink::RunWord) || !m_agent.knows(name)) {
        peer->write(UnknownAnswer);
        peer->disconnectFromServer();
        return;
    }
    std::vector<QLocalSocket*>& askers = m_askers[name];
    askers.push_back(peer);
    connect(peer, &QObject::destroyed, this, [this, name, peer] {
        if (const auto asked = m_askers.find(name); asked != m_askers.end())
            std::erase(asked->second, peer);
    });
    if (askers.size() == 1)
        m_waiting.push_back(name);
    // Started from the event loop, never inside the socket's own signal.
    QTimer::singleShot(0, this, &AgentCommands::startNext);
}

void AgentCommands::startNext()
{
    if (m_waiting.empty())
        return;
    // Out of the waiting line first: the agent may run the job before `start` returns.
    const QString name = m_waiting.front();
    m_waiting.erase(m_waiting.begin());
    if (!m_agent.start(name))
        m_waiting.insert(m_waiting.begin(), name);
}

void AgentCommands::runEnded(const QString& name, RunRecord::Result result)
{
    const auto asked = m_askers.find(name);
    // A run that started before the request came answers it too only when it wasn't waiting.
    if (asked == m_askers.end() || std::find(m_waiting.begin(), m_waiting.end(), name) != m_waiting.end())
        return;
    for (QLocalSocket* peer : asked->second) {
        peer->write(EndedWord + QByteArray::number(AgentLink::exitStatus(result)) + '\n');
        peer->disconnectFromServer();
    }
    m_askers.erase(asked);
}
