#pragma once
// The DialogPrompter of the running program: Qt's message box, input box and modal dialogs,
// owned by the window they belong to.

#include "ui/DialogPrompter.h"

class QWidget;

namespace vellora {

class QtPrompter : public DialogPrompter
{
public:
    // parent (may be null) becomes the owner of every box; it must outlive the prompter.
    explicit QtPrompter(QWidget* parent = nullptr) : m_parent(parent) {}

    Answer message(const QString& text, const QString& title, Icon icon, Buttons buttons) override;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& defaultAnswer) override;
    int exec(QDialog& dialog) override;

private:
    QWidget* m_parent;
};

} // namespace vellora
