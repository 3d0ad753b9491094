#include "AppState.h"

namespace vellora {

const QStringList& orderCaptions()
{
    static const QStringList captions{
        QStringLiteral("Ordinamento Nome File A-Z"),  QStringLiteral("Ordinamento Nome File Z-A"),
        QStringLiteral("Ordinamento Estensione"),     QStringLiteral("Ordinamento Dimensione 0-9"),
        QStringLiteral("Ordinamento Dimensione 9-0"), QStringLiteral("Ordinamento Data 1-31"),
        QStringLiteral("Ordinamento Data 31-1"),      QStringLiteral("Raggruppamento Versioni"),
        QStringLiteral("Ordinamento Info File"),      QStringLiteral("Ordinamento Directory A-Z"),
        QStringLiteral("Ordinamento Directory Z-A"),
    };
    return captions;
}

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
    const QStringList& orders = orderCaptions();
    const QString order = (OrdineGriglia >= 0 && OrdineGriglia < orders.size()) ? orders[OrdineGriglia] : QString();
    return order + QStringLiteral(" - Cartelle Controllate ") + QString::number(totCartelle);
}

} // namespace vellora
