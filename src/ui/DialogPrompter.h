#pragma once
// The window's door to the user: the boxes of every Prompter, and the modal dialogs it opens
// (columns, print, export, printer, about), so that tests answer those from a script too.

#include "system/Prompter.h"

class QDialog;

namespace vellora {

class DialogPrompter : public Prompter
{
public:
    // Runs a modal dialog and returns its result code (QDialog::exec in the window).
    virtual int exec(QDialog& dialog) = 0;
};

} // namespace vellora
