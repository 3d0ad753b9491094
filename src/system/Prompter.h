#pragma once
// The one door through which the program asks the user something or tells him something.
// The window implements it with Qt's message and input boxes (and runs its dialogs through the
// same door, ui/DialogPrompter.h); tests replace it with scripted answers (ScriptedPrompter),
// so no code path ever blocks on a real box there.

#include <optional>
#include <QString>

namespace vellora {

class Prompter
{
public:
    enum class Icon { None, Information, Question, Warning, Critical };
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No, Cancel };

    virtual ~Prompter() = default;

    // A message box. An empty title means the program's title "Vellora".
    virtual Answer message(const QString& text, const QString& title, Icon icon, Buttons buttons) = 0;

    // An input box; std::nullopt when the user cancels.
    virtual std::optional<QString> input(const QString& prompt, const QString& title,
                                         const QString& defaultAnswer) = 0;
};

inline const QString kProgramTitle = QStringLiteral("Vellora");

} // namespace vellora
