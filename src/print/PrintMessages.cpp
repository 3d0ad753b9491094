#include "PrintMessages.h"

#include "scan/ListingFilters.h"
#include "system/ErrorText.h"
#include "system/Prompter.h"

namespace vellora {

QString pdfDoneText(const QString& path)
{
    return QStringLiteral("Stampa terminata: vedi file \r\n") + path;
}

void showJobOutcome(Prompter& prompter, const JobResult& result, qsizetype unreadableRows,
                    std::uint64_t unlistedRows)
{
    if (result.interrupted) {
        prompter.message(result.error, QString(), Prompter::Icon::Information, Prompter::Buttons::Ok);
        return;
    }
    if (!result.ok) {
        prompter.message(result.error.isEmpty() ? QStringLiteral("Stampa non riuscita") : result.error,
                         QString(), Prompter::Icon::Critical, Prompter::Buttons::Ok);
        return;
    }
    QStringList notes{unreadableFilesNote(unreadableRows), unlistedUnreadableNote(unlistedRows)};
    notes.removeAll(QString());
    const QString note = notes.join(QStringLiteral("\r\n"));
    if (!result.pdfPath.isEmpty())
        prompter.message(pdfDoneText(result.pdfPath) +
                             (note.isEmpty() ? QString() : QStringLiteral("\r\n") + note),
                         QString(), Prompter::Icon::None, Prompter::Buttons::Ok);
    else if (!note.isEmpty())
        prompter.message(QStringLiteral("Stampa terminata.\r\n") + note, QString(),
                         Prompter::Icon::Information, Prompter::Buttons::Ok);
}

} // namespace vellora
