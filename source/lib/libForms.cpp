#include "lib/libForms.h"


#include <QTextStream>

namespace libForms {
namespace {

MessageBoxHandler& messageBoxHandler()
{
    static MessageBoxHandler handler;
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

Answer AnswerToStandardError(const Message& message)
{
    QTextStream err(stderr);
    err << message.title << ": " << QString(message.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        << " [" << buttonNames(message.buttons) << "]\n";
    err.flush();
    return message.defaultAnswer;
}

Answer MsgBox(const Message& message)
{
    const MessageBoxHandler& handler = messageBoxHandler();
    return handler ? handler(message) : AnswerToStandardError(message);
}

void SetMessageBoxHandler(MessageBoxHandler handler)
{
    messageBoxHandler() = std::move(handler);
}

void VerificationError(const QString& text, Icon icon)
{
    MsgBox({text, QStringLiteral("Verification Error"), Buttons::OK, icon, Answer::OK});
}

QRect Twips(int left, int top, int width, int height)
{
    return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height));
}

}  // namespace libForms
