#pragma once

#include "PrinterSurface.h"

#include <cstdint>

namespace vellora {

class Prompter;

// Tells the user where the PDF printer put the report, why the document failed, or that it
// was stopped and what became of it; after a job on a real printer says only how many listed
// files could not be read, if any.
// unlistedRows: files the listing left out, unread, because a range was on.
void showJobOutcome(Prompter& prompter, const JobResult& result, qsizetype unreadableRows = 0,
                    std::uint64_t unlistedRows = 0);

// The texts of those messages, for the front ends that print them instead.
[[nodiscard]] QString pdfDoneText(const QString& path);

} // namespace vellora
