#pragma once
// What the print preview keeps between openings: its size and its zoom. They live in a key
// of their own under the program's key, so the main window's values never mix with them;
// read when the preview opens, written when it closes. A value that is missing or out of
// range reads as its default, with no message, as every other setting does.

#include "SettingsStore.h"

namespace vellora {

inline const QString kPreviewSettingsKey = kSettingsKey + QStringLiteral("\\Anteprima");

struct PreviewSettings
{
    enum Fit : int { FreeZoom = 0, PageWidth = 1, WholePage = 2 };

    int width = 0;       // "Larghezza", pixels; 0: the window's own size
    int height = 0;      // "Altezza"
    int fit = PageWidth; // "Adatta"
    int zoom = 100;      // "Zoom", percent of the paper's real size, with FreeZoom

    static constexpr int kMinZoom = 10;
    static constexpr int kMaxZoom = 800;

    bool operator==(const PreviewSettings&) const = default;
};

[[nodiscard]] PreviewSettings LeggiAnteprima(const SettingsStore& store);
bool ScriviAnteprima(const SettingsStore& store, const PreviewSettings& values);

} // namespace vellora
