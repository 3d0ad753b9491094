#pragma once
// Printing without a window, for the command-line front end: the report the print dialog
// would choose, on a printer named on the command line.

#include "PrintReport.h"

#include <QStringList>

namespace vellora {

class QtPrinterSurface;

// Device names of every printer, the current one first, then the others in list order.
[[nodiscard]] QStringList printersCurrentFirst(const PrinterSurface& surface);

// Makes `printerName` current ("PDF" is always the built-in PDF printer, an empty name keeps
// the current printer) and prints the chosen report without the closing pause. A PDF goes
// to pdfOutputPath when it is not empty, otherwise into the export folder. The outcome's
// job tells where the PDF is, or why nothing was printed (unknown printer, write failure).
[[nodiscard]] ReportOutcome printHeadless(QtPrinterSurface& surface, const QString& printerName,
                                          const QString& pdfOutputPath, const ReportInput& input);

} // namespace vellora
