#pragma once
// The two export files, written without any widget so that the window and vellora-list
// produce the same bytes: the text report ("Lista_...txt", a six-line header and one
// fixed-column line per file) and the tab-separated file ("ListaExcel_...txt", one line per
// file, no header). Both are encoded in the locale's encoding, every line ending with CR LF.
//
// Size, date, version and info are read again for every row through the rows' fact reader,
// one look at each file at most, and only when the column flags ask for them.

#include "fileinfo/VersionReader.h"
#include "results/StateTypes.h"

#include <optional>
#include <QDateTime>
#include <QString>

class QIODevice;

namespace vellora {

struct AppState;
class Prompter;
class RowSource;
struct SystemData;

// The tab-separated file's name field: "Nome + Ext unico" or "Nome ed Ext separati".
enum class NameLayout { Single, Separate };

struct ExportRequest
{
    const RowSource& rows;
    const AppState& state;
    const SystemData& system;
    QDateTime now;  // names the file and dates the header
    QString folder; // where exportToFile writes; exportTo ignores it
    NameLayout layout = NameLayout::Single;
};

struct ExportStats
{
    qsizetype rows = 0;
    qsizetype unreadableRows = 0; // vanished or unreadable files: written with blank fields
};

// "Lista_yyyy-mm-dd_hh-mm-ss.txt" or "ListaExcel_yyyy-mm-dd_hh-mm-ss.txt".
[[nodiscard]] QString defaultExportFileName(ExportKind kind, const QDateTime& now);

// Writes the whole export to an open device. False when a write fails; error then holds an
// Italian description of the cause (without the file name, which the device may not have).
[[nodiscard]] bool exportTo(QIODevice& out, ExportKind kind, const ExportRequest& request,
                            ExportStats* stats = nullptr, QString* error = nullptr);

struct ExportOutcome
{
    bool ok = false;
    QString filePath; // the full name of the file written (or that could not be written)
    QString error;    // Italian message for the user when !ok
    ExportStats stats;
};

// Creates the folder when it is missing, writes a temporary file beside the final one and
// renames it into place when complete. On failure nothing is left under either name and no
// handle stays open.
[[nodiscard]] ExportOutcome exportToFile(ExportKind kind, const ExportRequest& request);
// Same, to a file of the caller's choosing (its folder is created too).
[[nodiscard]] ExportOutcome exportToPath(ExportKind kind, const ExportRequest& request,
                                         const QString& filePath);

// The closing message box: "Esportazione ... terminata: vedi file " and the file name, or the
// failure. Ok button, no icon for success.
void reportOutcome(Prompter& prompter, ExportKind kind, const ExportOutcome& outcome);
[[nodiscard]] QString completionMessage(ExportKind kind, const QString& filePath);

} // namespace vellora
