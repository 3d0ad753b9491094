#include "QtPrompter.h"

#include <QDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace vellora {

namespace {

QMessageBox::Icon boxIcon(Prompter::Icon icon)
{
    switch (icon) {
    case Prompter::Icon::None:
        return QMessageBox::NoIcon;
    case Prompter::Icon::Information:
        return QMessageBox::Information;
    case Prompter::Icon::Question:
        return QMessageBox::Question;
    case Prompter::Icon::Warning:
        return QMessageBox::Warning;
    case Prompter::Icon::Critical:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

QString titleOr(const QString& title)
{
    return title.isEmpty() ? kProgramTitle : title;
}

} // namespace

Prompter::Answer QtPrompter::message(const QString& text, const QString& title, Icon icon, Buttons buttons)
{
    const QMessageBox::StandardButtons set = buttons == Buttons::YesNo
                                                 ? QMessageBox::Yes | QMessageBox::No
                                                 : QMessageBox::StandardButtons(QMessageBox::Ok);
    QMessageBox box(boxIcon(icon), titleOr(title), text, set, m_parent);
    box.setDefaultButton(buttons == Buttons::YesNo ? QMessageBox::Yes : QMessageBox::Ok);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Ok:
        return Answer::Ok;
    default:
        // Escape or the close box of a Yes/No box.
        return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
    }
}

std::optional<QString> QtPrompter::input(const QString& prompt, const QString& title,
                                         const QString& defaultAnswer)
{
    QInputDialog box(m_parent);
    box.setWindowTitle(titleOr(title));
    box.setLabelText(prompt);
    box.setTextValue(defaultAnswer);
    box.setInputMode(QInputDialog::TextInput);
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    return box.textValue();
}

int QtPrompter::exec(QDialog& dialog)
{
    return dialog.exec();
}

} // namespace vellora
