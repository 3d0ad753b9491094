#pragma once
// Test double for Prompter and DialogPrompter: records every message and input request and answers from
// queues filled by the test. Dialogs run through a callback the test sets (by default
// they are rejected at once), so a test never waits on a modal loop it did not plan.

#include "ui/DialogPrompter.h"

#include <deque>
#include <functional>
#include <QStringList>

namespace vellora {

class ScriptedPrompter : public DialogPrompter
{
public:
    struct Message
    {
        QString text;
        QString title;
        Icon icon;
        Buttons buttons;
    };
    struct Input
    {
        QString prompt;
        QString title;
        QString defaultAnswer;
    };

    Answer message(const QString& text, const QString& title, Icon icon, Buttons buttons) override;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& defaultAnswer) override;
    int exec(QDialog& dialog) override;

    std::deque<Answer> messageAnswers;               // empty: Ok for Ok boxes, No for Yes/No boxes
    std::deque<std::optional<QString>> inputAnswers; // empty: cancel
    std::function<int(QDialog&)> onDialog;           // empty: the dialog is rejected
    std::function<void(const Message&)> onMessage;   // called while the box would be on screen

    std::vector<Message> messages;
    std::vector<Input> inputs;
    int dialogsRun = 0;
};

} // namespace vellora
