// The desktop trash through GIO, as the file managers of the desktop use it: it picks the
// trash of the file's own disk (the home trash, or the .Trash folder of another disk) and
// writes the record a file manager restores from, its path percent-encoded as the
// freedesktop.org trash format requires. Qt 6.4's QFile::moveToTrash wrote that path as it
// was, so a name holding a line break and "Path=" chose where the file would be restored,
// and a name holding "%41" came back as another name. GIO also takes the name as bytes: a
// name not valid in the locale's encoding is trashed as itself, never as the name it would
// decode to.

#include "system/ErrorText.h"
#include "system/Platform.h"

#include <QLoggingCategory>

#include <cerrno>
#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vellora {

namespace {

Q_LOGGING_CATEGORY(lcTrash, "vellora.system")

void setError(QString* errorText, const QString& text)
{
    if (errorText)
        *errorText = text;
}

// The folder part of path, "." for a bare name.
QByteArray parentOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

} // namespace

bool moveToTrash(const QByteArray& path, QString* errorText)
{
    if (path.isEmpty() || path.contains('\0')) {
        setError(errorText, QStringLiteral("il nome del file non è valido"));
        return false;
    }
    struct stat st
    {
    };
    if (::lstat(path.constData(), &st) != 0) {
        setError(errorText, errnoCause(errno));
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        setError(errorText, QStringLiteral("è una cartella, non un file"));
        return false;
    }
    // Moving into the trash removes the name from its folder: that needs write access there.
    if (::access(parentOf(path).constData(), W_OK | X_OK) != 0) {
        const int err = errno;
        setError(errorText, err == EROFS ? errnoCause(err) : QStringLiteral("permesso negato"));
        return false;
    }

    GFile* file = g_file_new_for_path(path.constData());
    GError* error = nullptr;
    const bool moved = g_file_trash(file, nullptr, &error);
    g_object_unref(file);
    if (moved)
        return true;
    qCWarning(lcTrash) << "cannot trash" << path << (error ? error->message : "");
    const bool gone = error && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_NOT_FOUND);
    const bool denied = error && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_PERMISSION_DENIED);
    g_clear_error(&error);
    if (gone || ::lstat(path.constData(), &st) != 0)
        setError(errorText, QStringLiteral("il file non esiste più"));
    else if (denied)
        setError(errorText, QStringLiteral("permesso negato"));
    else
        setError(errorText, QStringLiteral("il cestino non è disponibile"));
    return false;
}

} // namespace vellora
