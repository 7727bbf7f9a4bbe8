#include "lib/Messages.h"

#include <QTextStream>

namespace Messages {
namespace {

Handler& messageBoxHandler()
{
    static Handler handler;
    return handler;
}

QString buttonNames(Buttons buttons)
{
    switch (buttons) {
    case Buttons::YesNo: return QStringLiteral("Yes/No");
    case Buttons::OKCancel: return QStringLiteral("OK/Cancel");
    case Buttons::YesNoCancel: return QStringLiteral("Yes/No/Cancel");
    case Buttons::OK: break;
    }
    return QStringLiteral("OK");
}

}  // namespace

Answer answerOnStandardError(const Message& message)
{
    QTextStream err(stderr);
    err << message.title << ": " << QString(message.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        << " [" << buttonNames(message.buttons) << "]\n";
    err.flush();
    return message.defaultAnswer;
}

Answer show(const Message& message)
{
    const Handler& handler = messageBoxHandler();
    return handler ? handler(message) : answerOnStandardError(message);
}

void setHandler(Handler handler)
{
    messageBoxHandler() = std::move(handler);
}

void verificationError(const QString& text, Icon icon)
{
    show({text, QStringLiteral("Verification Error"), Buttons::OK, icon, Answer::OK});
}

}  // namespace Messages
