#pragma once

#include "PrinterSurface.h"

namespace vellora {

class Prompter;

// Tells the user where the PDF printer put the report, or why the document failed; says
// nothing after a successful job on a real printer.
void showJobOutcome(Prompter& prompter, const JobResult& result);

// The texts of those messages, for the front ends that print them instead.
[[nodiscard]] QString pdfDoneText(const QString& path);

} // namespace vellora
