#pragma once
// The program's version, defined once: the project version that the build passes in. The
// window caption, the about box and `vellora-list --version` all show this text.

#include <QString>

#if !defined(VELLORA_VERSION_MAJOR) || !defined(VELLORA_VERSION_MINOR) || !defined(VELLORA_VERSION_PATCH)
#error "the build must define VELLORA_VERSION_MAJOR, VELLORA_VERSION_MINOR and VELLORA_VERSION_PATCH"
#endif

namespace vellora {

inline constexpr int kVersionMajor = VELLORA_VERSION_MAJOR;
inline constexpr int kVersionMinor = VELLORA_VERSION_MINOR;
inline constexpr int kVersionPatch = VELLORA_VERSION_PATCH;

// Major, minor and revision in decimal, joined by ".": "2.0.0".
[[nodiscard]] inline QString programVersionText()
{
    return QStringLiteral("%1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionPatch);
}

} // namespace vellora
