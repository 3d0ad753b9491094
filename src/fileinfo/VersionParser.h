#pragma once
// The one path from bytes to VersionData, whatever the bytes come from.

#include "fileinfo/ByteSource.h"
#include "fileinfo/Languages.h"
#include "fileinfo/VersionReader.h"

namespace vellora::fileinfo {

// The result for a source that could be opened; readable is false only when a read failed.
[[nodiscard]] VersionData readVersion(ByteSource& src, const LanguagePreference& pref);

// The string table a translation pair selects: eight uppercase hexadecimal digits.
[[nodiscard]] QString translationBlockName(quint32 translation);

} // namespace vellora::fileinfo
