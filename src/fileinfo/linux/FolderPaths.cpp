#include "fileinfo/FolderPaths.h"

#include "fileinfo/FileFacts.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <QByteArrayList>
#include <unistd.h>

namespace vellora::fileinfo {

namespace {

// Where U+DC80 + byte stands for a byte that is not UTF-8.
constexpr char16_t kEscapeBase = 0xDC00;

// The length of the valid UTF-8 sequence at p (of left bytes), or 0 when there is none: an
// overlong form, a surrogate or a value past U+10FFFF is not one.
int utf8Length(const unsigned char* p, qsizetype left)
{
    const unsigned lead = p[0];
    if (lead < 0x80)
        return 1;
    int length;
    char32_t value;
    char32_t smallest;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        value = lead & 0x1F;
        smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        value = lead & 0x0F;
        smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        value = lead & 0x07;
        smallest = 0x10000;
    } else {
        return 0;
    }
    if (left < length)
        return 0;
    for (int k = 1; k < length; ++k) {
        if ((p[k] & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (p[k] & 0x3F);
    }
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return length;
}

int retryOpenAt(int base, const char* path, int flags)
{
    int fd;
    do {
        fd = ::openat(base, path, flags);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

QString pathText(const QByteArray& bytes)
{
    if (bytes.isValidUtf8())
        return QString::fromUtf8(bytes);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    QString text;
    text.reserve(n);
    for (qsizetype i = 0; i < n;) {
        const int length = utf8Length(p + i, n - i);
        if (length == 0) {
            text += QChar(char16_t(kEscapeBase + p[i]));
            ++i;
        } else {
            text += QString::fromUtf8(bytes.constData() + i, length);
            i += length;
        }
    }
    return text;
}

QByteArray pathBytes(const QString& text)
{
    QByteArray bytes;
    qsizetype run = 0; // start of the text not written yet
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        // The second half of a real character is no byte of ours.
        if (u < kEscapeBase + 0x80 || u > kEscapeBase + 0xFF || (i > 0 && text[i - 1].isHighSurrogate()))
            continue;
        bytes += QStringView(text).mid(run, i - run).toUtf8();
        bytes += char(u - kEscapeBase);
        run = i + 1;
    }
    bytes += QStringView(text).mid(run).toUtf8();
    return bytes;
}

int absolutePath(const QByteArray& path, QByteArray& absolute)
{
    QByteArray joined;
    if (path.startsWith('/')) {
        joined = path;
    } else {
        // glibc names a working folder of any depth when it may allocate the buffer itself.
        errno = 0;
        char* cwd = ::getcwd(nullptr, 0);
        if (!cwd)
            return errno != 0 ? errno : ENOENT;
        joined = QByteArray(cwd) + '/' + path;
        std::free(cwd);
    }
    QByteArrayList names;
    for (const QByteArray& name : joined.split('/')) {
        if (name.isEmpty() || name == ".")
            continue;
        if (name == "..") {
            if (!names.isEmpty())
                names.removeLast();
            continue;
        }
        names << name;
    }
    absolute = '/' + names.join('/');
    return 0;
}

int openFolderToRead(const QByteArray& path)
{
    constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK;
    if (!path.isEmpty() && path.size() < PATH_MAX && !path.contains('\0'))
        return retryOpenAt(AT_FDCWD, path.constData(), kFlags);
    const int at = openFolder(path);
    if (at < 0)
        return -1;
    const int fd = retryOpenAt(at, ".", kFlags);
    const int err = errno;
    ::close(at);
    errno = err;
    return fd;
}

} // namespace vellora::fileinfo
