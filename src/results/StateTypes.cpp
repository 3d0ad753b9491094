#include "StateTypes.h"

namespace vellora {

std::optional<Scope> scopeFromIndex(int index)
{
    if (index == 0 || index == 1)
        return Scope(index);
    return std::nullopt;
}

QString scopeCaption(Scope scope)
{
    return scope == Scope::Subfolders ? QStringLiteral("Sottocartelle")
                                      : QStringLiteral("Cartella Selezionata");
}

std::optional<Order> orderFromIndex(int index)
{
    if (index >= -1 && index < kOrderCount)
        return Order(index);
    return std::nullopt;
}

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

QString orderCaption(Order order)
{
    return order == Order::None ? QString() : orderCaptions().value(orderIndex(order));
}

OrderKey orderKey(Order order)
{
    switch (order) {
    case Order::None:
        return {-1, false};
    case Order::NameAscending:
        return {ColName, false};
    case Order::NameDescending:
        return {ColName, true};
    case Order::Extension:
        return {ColExt, false};
    case Order::SizeAscending:
        return {ColSize, false};
    case Order::SizeDescending:
        return {ColSize, true};
    case Order::DateAscending:
        return {ColDate, false};
    case Order::DateDescending:
        return {ColDate, true};
    case Order::VersionGroups:
        return {ColVersion, true};
    case Order::Info:
        return {ColInfo, false};
    case Order::FolderAscending:
        return {ColFolder, false};
    case Order::FolderDescending:
        return {ColFolder, true};
    }
    return {-1, false};
}

} // namespace vellora
