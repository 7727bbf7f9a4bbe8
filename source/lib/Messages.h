#pragma once
// Message boxes that the core needs without knowing any widget.
// The windows install the real message box at start-up; until then (and on a machine with
// no display) a message goes to standard error and is answered with its default button.

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

namespace Messages {

enum class Buttons { OK, YesNo, OKCancel, YesNoCancel };
enum class Icon { None, Information, Exclamation, Critical, Question };
enum class Answer { OK, Yes, No, Cancel };

struct Message {
    QString text;
    QString title;
    Buttons buttons = Buttons::OK;
    Icon icon = Icon::None;
    Answer defaultAnswer = Answer::OK;  // what Enter, or a machine nobody sits at, answers
    QStringList captions = {};  // the buttons' own texts, in the order OK, Yes, No, Cancel; none: the standard ones
};

// Shows a message box and returns the user's answer.
Answer show(const Message& message);
// Tells the user that an input can't be taken, in a "Verification Error" box with one OK
// button; the user stays where the input can be corrected.
void verificationError(const QString& text, Icon icon = Icon::None);

// The message-box seam: the windows install a real box, tests a recorder that answers.
using Handler = std::function<Answer(const Message&)>;
void setHandler(Handler handler);  // empty restores the standard-error one

// The answer of a box that nobody can see: its default button.
Answer answerOnStandardError(const Message& message);

}  // namespace Messages
