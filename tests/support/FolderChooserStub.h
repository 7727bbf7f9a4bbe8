#pragma once
// Stands in for the folder dialog while it lives: answers with the queued paths (an empty one
// is a cancel, and so is an empty queue) and records each prompt, owner window and start folder.

#include "dialogs/FolderBrowser.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <vector>

namespace testing_support {

class FolderChooserStub {
public:
    explicit FolderChooserStub(QStringList answers = {}) : m_answers(std::move(answers))
    {
        FolderBrowser::setChooser([this](QWidget* parent, const QString& prompt, const QString& start) {
            prompts << prompt;
            parents.emplace_back(parent);
            starts << start;
            return m_answers.isEmpty() ? QString() : m_answers.takeFirst();
        });
    }
    ~FolderChooserStub() { FolderBrowser::setChooser({}); }
    Q_DISABLE_COPY(FolderChooserStub)

    QStringList prompts;
    QStringList starts;
    std::vector<QPointer<QWidget>> parents;

private:
    QStringList m_answers;
};

}  // namespace testing_support
