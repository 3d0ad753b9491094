#pragma once
// Paths that come from outside (the folder and the output file on a command line) as the file
// system sees them: bytes, of any length, relative to a working folder that may be deeper than
// the system's path limit. The folder to list, the file to write and the file facts all reach
// the file system through these and fileinfo::openFolder, so a name means the same everywhere.

#include <QByteArray>
#include <QString>

namespace vellora::fileinfo {

// Text for a path's bytes that gives the same bytes back: UTF-8 is decoded, and every byte that
// is not part of valid UTF-8 becomes the lone surrogate U+DC80 + its value (as Python keeps file
// names). Such text shows U+FFFD in its place when written out (QString::toLocal8Bit).
[[nodiscard]] QString pathText(const QByteArray& bytes);
// The bytes pathText came from; any other text as UTF-8.
[[nodiscard]] QByteArray pathBytes(const QString& text);

// path made absolute and clean (no ".", "..", repeated or trailing '/', as QDir::cleanPath
// does by the names alone). A relative path starts from the working folder, named by the C
// library even when it is deeper than the path limit (Qt's own look-up then gives an empty
// name, and a relative path would silently become one below "/"). Returns 0, or the errno
// why the working folder has no name: ENOENT when it was removed.
[[nodiscard]] int absolutePath(const QByteArray& path, QByteArray& absolute);

// The folder at path (any length, relative to the working folder) opened for reading its
// entries, a link naming it followed; -1 with errno set when it cannot be.
[[nodiscard]] int openFolderToRead(const QByteArray& path);

} // namespace vellora::fileinfo
