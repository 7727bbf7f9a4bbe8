#include "lib/CommandLine.h"

#include <cstdio>
#include <functional>
#include <vector>

namespace CommandLine {
namespace {

// An option answered without starting the agent: its name, what it does, and the answer,
// which writes to the output and returns the exit status.
struct Option {
    QString name;
    QString summary;
    std::function<int(QTextStream&)> answer;
};

QString usageText()
{
    return QStringLiteral("Usage: arkwell [/SILENT]\n"
                          "       arkwell --help | --version\n"
                          "       arkwell list | run | archives | files | versions | restore ... "
                          "(each with --help)\n");
}

const std::vector<Option>& knownOptions()
{
    static const std::vector<Option> options{
        {QStringLiteral("--help"), QStringLiteral("show this help and end"),
         [](QTextStream& out) {
             out << usageText()
                 << QStringLiteral("\nStarts the Arkwell backup agent, which runs the named backup jobs when they "
                                   "fall due,\nand shows its job list window (a second start brings back the "
                                   "running agent's window).\n\n"
                                   "  /SILENT      start with the job list window hidden, as at log-in\n");
             for (const Option& option : knownOptions())
                 out << QStringLiteral("  %1 %2\n").arg(option.name, -12).arg(option.summary);
             return 0;
         }},
        {QStringLiteral("--version"), QStringLiteral("show the version and end"),
         [](QTextStream& out) {
             out << QStringLiteral("arkwell " ARKWELL_VERSION "\n");
             return 0;
         }},
    };
    return options;
}

}  // namespace

std::optional<int> answerAlone(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    for (const QString& argument : arguments) {
        for (const Option& option : knownOptions())
            if (argument == option.name)
                return option.answer(out);
        if (argument.startsWith(QLatin1String("--"))) {
            err << QStringLiteral("arkwell: unknown option '%1'\n").arg(argument) << usageText();
            return 2;
        }
    }
    return std::nullopt;
}

std::optional<int> answerAlone(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return answerAlone(arguments, out, err);
}

}  // namespace CommandLine
