#include "PrinterSelection.h"

#include "PrinterSurface.h"
#include "PrintLog.h"

namespace vellora {

PrinterSelection::Listing PrinterSelection::load() const
{
    Listing out;
    out.current = m_surface.deviceName();
    const QStringList names = m_surface.printers();
    for (const QString& name : names) {
        out.names << name;
        if (name == out.current)
            out.preselect = int(out.names.size()) - 1;
    }
    return out;
}

void PrinterSelection::selectionChanged(const QString& name)
{
    if (!m_firstSeen) {
        m_firstSeen = true;
        return;
    }
    const QStringList names = m_surface.printers();
    for (int i = 0; i < names.size(); ++i) {
        if (names[i] == name) {
            m_surface.selectPrinter(i);
            qCDebug(lcPrint) << "current printer" << name;
            return;
        }
    }
}

} // namespace vellora
