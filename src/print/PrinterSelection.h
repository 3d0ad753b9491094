#pragma once
// The choice of the current printer behind the "Imposta Stampante" dialog. The main window
// owns one instance for the whole run: its first-notification flag outlives every opening
// of the dialog, so only the very first preselection is swallowed.

#include <QString>
#include <QStringList>

namespace vellora {

class PrinterSurface;

class PrinterSelection
{
public:
    explicit PrinterSelection(PrinterSurface& surface) : m_surface(surface) {}

    struct Listing
    {
        QStringList names; // device names, in the printer list's order
        int preselect = 0; // the entry of the current printer (the last one of that name)
        QString current;   // device name of the current printer at load
    };
    [[nodiscard]] Listing load() const;

    // A selection notification of the list with the text of the selected entry. The first
    // notification the object ever sees only sets the flag; every later one makes the first
    // printer of that name current.
    void selectionChanged(const QString& name);

    [[nodiscard]] bool firstNotificationSeen() const { return m_firstSeen; }
    [[nodiscard]] PrinterSurface& surface() { return m_surface; }

private:
    PrinterSurface& m_surface;
    bool m_firstSeen = false;
};

} // namespace vellora
