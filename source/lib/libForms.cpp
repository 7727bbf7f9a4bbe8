#include "lib/libForms.h"

#include "lib/libErrorHandler.h"

#include <QEventLoop>
#include <QPointer>
#include <QTextStream>
#include <QTimer>
#include <vector>

namespace libForms {
namespace {

MessageBoxHandler& messageBoxHandler()
{
    static MessageBoxHandler handler;
    return handler;
}

std::vector<QPointer<QObject>>& loadedForms()
{
    static std::vector<QPointer<QObject>> forms;
    return forms;
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

void RegisterForm(QObject* form)
{
    auto& forms = loadedForms();
    std::erase_if(forms, [](const QPointer<QObject>& f) { return f.isNull(); });
    forms.emplace_back(form);
}

bool IsFormLoaded(const QString& formName)
{
    for (const QPointer<QObject>& form : loadedForms())
        if (form && form->objectName() == formName)
            return true;
    return false;
}

void WaitForFormToClose(const QString& formName)
{
    libErrorHandler::Trap("libForms.bas", "WaitForFormToClose()", [&] {
        QEventLoop loop;
        for (const QPointer<QObject>& form : loadedForms())
            if (form && form->objectName() == formName)
                QObject::connect(form, &QObject::destroyed, &loop, [&loop, formName] {
                    // destroyed() arrives before the pointer is cleared: look again once
                    // the event loop is back.
                    QTimer::singleShot(0, &loop, [&loop, formName] {
                        if (!IsFormLoaded(formName))
                            loop.quit();
                    });
                });
        if (IsFormLoaded(formName))
            loop.exec();
    });
}

}  // namespace libForms
