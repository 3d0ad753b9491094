#include "AppState.h"

namespace vellora {

QString infoHeadingAtStartup(InfoKind kind)
{
    switch (kind) {
    case InfoKind::CompanyName:
        return QStringLiteral("Produttore");
    case InfoKind::FileDescription:
        return QStringLiteral("Descrizione File");
    case InfoKind::ProductName:
        return QStringLiteral("Info File");
    }
    return {};
}

QString infoHeadingFromMenu(InfoKind kind)
{
    return kind == InfoKind::ProductName ? QStringLiteral("Info Prodotto") : infoHeadingAtStartup(kind);
}

QString infoReportName(InfoKind kind)
{
    return infoHeadingAtStartup(kind);
}

QStringList defaultHeadings()
{
    return {QStringLiteral("Nr."),
            QStringLiteral("Nome File"),
            QStringLiteral("Ext"),
            QStringLiteral("Dimensione"),
            QStringLiteral("Data Ult. Modifica"),
            QStringLiteral("Versione File"),
            QStringLiteral("Produttore"),
            QStringLiteral("Directory")};
}

QString AppState::bracketText() const
{
    return orderCaption(OrdineGriglia) + QStringLiteral(" - Cartelle Controllate ") + QString::number(totCartelle);
}

} // namespace vellora
