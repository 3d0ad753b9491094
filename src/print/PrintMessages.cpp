#include "PrintMessages.h"

#include "system/Prompter.h"

namespace vellora {

QString pdfDoneText(const QString& path)
{
    return QStringLiteral("Stampa terminata: vedi file \r\n") + path;
}

void showJobOutcome(Prompter& prompter, const JobResult& result)
{
    if (!result.ok) {
        prompter.message(result.error.isEmpty() ? QStringLiteral("Stampa non riuscita") : result.error,
                         QString(), Prompter::Icon::Critical, Prompter::Buttons::Ok);
        return;
    }
    if (!result.pdfPath.isEmpty())
        prompter.message(pdfDoneText(result.pdfPath), QString(), Prompter::Icon::None, Prompter::Buttons::Ok);
}

} // namespace vellora
