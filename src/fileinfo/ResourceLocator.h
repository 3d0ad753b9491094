#pragma once
// Finds the bytes of an executable's version resource by walking its headers and resource
// directory with bounded reads. Knows PE32, PE32+ and 16-bit NE files.

#include "fileinfo/ByteSource.h"
#include "fileinfo/Languages.h"

#include <QByteArray>

#include <optional>

namespace vellora::fileinfo {

// The root of a version resource holds a 16-bit length, so nothing past this belongs to it.
inline constexpr quint64 kMaxVersionBlock = 0x10000;

// The version resource (type 16, id 1, in the preferred language), at most kMaxVersionBlock
// bytes and fewer when its section ends early. nullopt when the source is no executable,
// has no such resource, its headers or directory do not hold, or the file ends before the
// resource's declared data does.
[[nodiscard]] std::optional<QByteArray> findVersionResource(ByteSource& src, const LanguagePreference& pref);

} // namespace vellora::fileinfo
