#include "AppState.h"

#include "fileinfo/FolderPaths.h"
#include "results/FilterSummary.h"

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
    return {
        QStringLiteral("Nr."),        QStringLiteral("Nome File"),          QStringLiteral("Ext"),
        QStringLiteral("Dimensione"), QStringLiteral("Data Ult. Modifica"), QStringLiteral("Versione File"),
        QStringLiteral("Produttore"), QStringLiteral("Directory")};
}

ListingRequest AppState::listingRequest() const
{
    ListingRequest r;
    r.folder = fileinfo::pathBytes(CartellaRicerca);
    if (!r.folder.endsWith('/'))
        r.folder.append('/');
    r.pattern = PatternFile;
    r.filters = filters;
    r.scope = TipoRicerca;
    r.order = OrdineGriglia;
    r.columns = OptV;
    r.infoKind = infoKind;
    return r;
}

AppState AppState::forRequest(const ListingRequest& request)
{
    AppState s;
    s.CartellaRicerca = QString::fromUtf8(request.folder);
    s.PatternFile = request.pattern;
    s.filters = request.filters;
    s.TipoRicerca = request.scope;
    s.OrdineGriglia = request.order;
    s.OptV = request.columns;
    s.infoKind = request.infoKind;
    s.Intestazioni[ColInfo] = infoHeadingAtStartup(request.infoKind);
    return s;
}

QString AppState::folderText() const
{
    return titleWithFilters(CartellaRicerca + PatternFile, filters);
}

QString AppState::listingTitle() const
{
    return titleWithFilters(listingText(), listingFilters());
}

QString AppState::bracketText() const
{
    return orderCaption(OrdineGriglia) + QStringLiteral(" - Cartelle Controllate ") +
           QString::number(listed.folders);
}

} // namespace vellora
