#include "PreviewSettings.h"

namespace vellora {

namespace {

const QString kWidth = QStringLiteral("Larghezza");
const QString kHeight = QStringLiteral("Altezza");
const QString kFit = QStringLiteral("Adatta");
const QString kZoom = QStringLiteral("Zoom");

// Beyond any screen, yet a window of that size can still be made.
constexpr qint32 kMaxSide = 20000;
constexpr qint32 kMinSide = 200;

} // namespace

PreviewSettings LeggiAnteprima(const SettingsStore& store)
{
    const SettingsKey key = ApriChiave(store, kPreviewSettingsKey);
    PreviewSettings s;
    const auto width = key.readNumber(kWidth);
    const auto height = key.readNumber(kHeight);
    // A size is taken whole or not at all.
    if (width && height && *width >= kMinSide && *width <= kMaxSide && *height >= kMinSide &&
        *height <= kMaxSide) {
        s.width = *width;
        s.height = *height;
    }
    if (const auto fit = key.readNumber(kFit);
        fit && *fit >= PreviewSettings::FreeZoom && *fit <= PreviewSettings::WholePage)
        s.fit = *fit;
    if (const auto zoom = key.readNumber(kZoom);
        zoom && *zoom >= PreviewSettings::kMinZoom && *zoom <= PreviewSettings::kMaxZoom)
        s.zoom = *zoom;
    return s;
}

bool ScriviAnteprima(const SettingsStore& store, const PreviewSettings& values)
{
    SettingsKey key = ApriChiave(store, kPreviewSettingsKey);
    if (values.width > 0 && values.height > 0) {
        key.writeNumber(kWidth, values.width);
        key.writeNumber(kHeight, values.height);
    }
    key.writeNumber(kFit, values.fit);
    key.writeNumber(kZoom, values.zoom);
    return key.close();
}

} // namespace vellora
