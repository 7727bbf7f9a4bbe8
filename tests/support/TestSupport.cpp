#include "support/TestSupport.h"

#include "lib/AppPaths.h"
#include "lib/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <filesystem>

namespace testing_support {

MessageRecorder::MessageRecorder()
{
    Messages::setHandler([this](const Messages::Message& message) {
        m_messages.push_back(message);
        return m_answers.isEmpty() ? message.defaultAnswer : m_answers.takeFirst();
    });
}

void AppFolderTest::SetUp()
{
    ASSERT_TRUE(m_folder.isValid());
    AppPaths::setApplicationPaths(m_folder.path(), QStringLiteral("arkwell"));
    // Never the user's own data or autostart folders.
    qputenv("XDG_DATA_HOME", QFile::encodeName(path(QStringLiteral("xdg-data"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(path(QStringLiteral("xdg-config"))));
    Errors::setFatalEndHandler([] { throw FatalEnd{}; });
}

namespace {

// Gives the owner back the rights on every folder of the tree, so folders a test closed
// (mode 000, which stops an ordinary user) are removed with the rest.
void giveOwnerBackFolders(const std::filesystem::path& folder)
{
    namespace fs = std::filesystem;
    std::error_code error;
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, error);
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error))
        if (entry->is_directory(error) && !entry->is_symlink(error))
            giveOwnerBackFolders(entry->path());
}

}  // namespace

void AppFolderTest::TearDown()
{
    Errors::setFatalEndHandler({});
    AppPaths::setApplicationPaths(QString(), QString());
    qunsetenv("XDG_DATA_HOME");
    qunsetenv("XDG_CONFIG_HOME");
    // Byte for byte: the folder may hold names that are not UTF-8, which QDir can't remove.
    const std::filesystem::path folder = QFile::encodeName(m_folder.path()).toStdString();
    giveOwnerBackFolders(folder);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

QString AppFolderTest::writeFile(const QString& relative, const QByteArray& content) const
{
    const QString file = path(relative);
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile out(file);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate)) << file.toStdString();
    out.write(content);
    return file;
}

QByteArray AppFolderTest::readFile(const QString& relative) const
{
    QFile in(path(relative));
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

QStringList AppFolderTest::transactionLog() const
{
    QStringList lines;
    for (const QByteArray& line : readFile(QStringLiteral("arkwell.log")).split('\n'))
        if (line.size() > 21)
            lines << QString::fromUtf8(line.mid(21)).chopped(line.endsWith('\r') ? 1 : 0);
    return lines;
}

}  // namespace testing_support
