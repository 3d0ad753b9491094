#pragma once
// The operating-system description printed as the first line of report and text-export
// headers. Read once at start-up; only read afterwards.

#include <QString>

namespace vellora {

struct SystemData {
    QString WinPiattaforma; // "0", "1" or "2": only chooses how the three texts are read
    QString WinNome;        // product name
    QString WinEdizione;    // edition / service-pack text, may be empty
    QString WinVersione;    // version

    // WinNome, then " - " WinEdizione when not empty, then " - Ver. " WinVersione.
    [[nodiscard]] QString systemLine() const;
};

// Fill the data from this machine (os-release and the kernel release on Linux).
void LeggiPiattaforma(SystemData& data);
void LeggiVersioneWindows(SystemData& data);

// Same, from given texts: the os-release file's content and the kernel release. Lets the
// tests cover odd files without touching the machine's own.
void LeggiVersioneDa(SystemData& data, const QByteArray& osRelease, const QString& kernelRelease);

} // namespace vellora
