// libFuzzer entry: arbitrary bytes as a whole file, and as a bare version block.

#include "fileinfo/VersionBlock.h"
#include "fileinfo/VersionParser.h"
#include "fileinfo/VersionReader.h"

#include <cstddef>
#include <cstdint>

namespace {

bool sane(const QString& s)
{
    return s.size() <= 254 || s == vellora::kVersionError;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // fromRawData keeps the fuzzer's exactly sized buffer, so a read one byte past the end
    // is caught.
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));

    const vellora::VersionData d = vellora::parseVersionData(bytes);
    if (!d.readable)
        __builtin_trap();
    if (!d.hasResource && !(d.fileVersion.isEmpty() && d.companyName.isEmpty() &&
                            d.fileDescription.isEmpty() && d.productName.isEmpty()))
        __builtin_trap();
    if (!sane(d.companyName) || !sane(d.fileDescription) || !sane(d.productName))
        __builtin_trap();
    if (d.fileVersion.size() > 23) // "65535.65535.65535.65535"
        __builtin_trap();

    // Another user language takes the other branches of the language choice.
    vellora::fileinfo::MemoryByteSource src(bytes);
    const vellora::VersionData italian = vellora::fileinfo::readVersion(src, {{0x0410}, 0x10});
    if (!sane(italian.companyName) || !sane(italian.fileDescription) || !sane(italian.productName))
        __builtin_trap();

    const vellora::fileinfo::VersionBlock block(bytes);
    (void)block.fileVersion();
    const quint32 translation = block.firstTranslation();
    QString value;
    (void)block.findString(QString::number(translation, 16), u"CompanyName", &value);
    (void)block.findString(u"040904B0", u"ProductName", &value);
    return 0;
}
