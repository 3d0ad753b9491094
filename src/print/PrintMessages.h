#pragma once

#include "PrinterSurface.h"

namespace vellora {

class Prompter;

// Tells the user where the PDF printer put the report, why the document failed, or that it
// was stopped and what became of it; after a job on a real printer says only how many listed
// files could not be read, if any.
void showJobOutcome(Prompter& prompter, const JobResult& result, qsizetype unreadableRows = 0);

// The texts of those messages, for the front ends that print them instead.
[[nodiscard]] QString pdfDoneText(const QString& path);

} // namespace vellora
