#include "ScriptedPrompter.h"

#include <QDialog>

namespace vellora {

Prompter::Answer ScriptedPrompter::message(const QString& text, const QString& title, Icon icon,
                                           Buttons buttons)
{
    messages.push_back({text, title, icon, buttons});
    if (onMessage)
        onMessage(messages.back());
    if (messageAnswers.empty())
        return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
    const Answer a = messageAnswers.front();
    messageAnswers.pop_front();
    return a;
}

std::optional<QString> ScriptedPrompter::input(const QString& prompt, const QString& title,
                                               const QString& defaultAnswer)
{
    inputs.push_back({prompt, title, defaultAnswer});
    if (inputAnswers.empty())
        return std::nullopt;
    // Copied out field by field: GCC 12 warns (wrongly) on moving the optional itself.
    const bool answered = inputAnswers.front().has_value();
    const QString text = answered ? *inputAnswers.front() : QString();
    inputAnswers.pop_front();
    if (!answered)
        return std::nullopt;
    return text;
}

int ScriptedPrompter::exec(QDialog& dialog)
{
    ++dialogsRun;
    if (onDialog)
        return onDialog(dialog);
    return QDialog::Rejected;
}

} // namespace vellora
