#include "OutputFile.h"

#include "ErrorText.h"

#include <cerrno>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <sys/stat.h>

namespace vellora {

QString cannotWriteMessage(const QString& path, const QString& cause)
{
    return QStringLiteral("Impossibile scrivere il file %1: %2").arg(QDir::toNativeSeparators(path), cause);
}

OutputFile::OutputFile(const QString& path) : m_path(QFileInfo(path).absoluteFilePath()) {}

OutputFile::~OutputFile()
{
    cancel();
}

bool OutputFile::open(QString* error)
{
    const auto fail = [&](const QString& cause) {
        if (error)
            *error = cannotWriteMessage(m_path, cause);
        return false;
    };
    struct stat st;
    if (::stat(QFile::encodeName(m_path).constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
        // A folder under the final name would otherwise only fail at the rename, after
        // all the work; a socket cannot be opened at all.
        if (S_ISDIR(st.st_mode))
            return fail(errnoCause(EISDIR));
        if (S_ISSOCK(st.st_mode))
            return fail(QStringLiteral("è un socket, non un file"));
        m_stream = std::make_unique<QFile>(m_path);
        errno = 0;
        if (!m_stream->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            const QString cause = errnoCause(errno, m_stream->errorString());
            m_stream.reset();
            return fail(cause);
        }
        return true;
    }
    m_save = std::make_unique<QSaveFile>(m_path);
    m_save->setDirectWriteFallback(false);
    errno = 0;
    if (!m_save->open(QIODevice::WriteOnly)) {
        const QString cause = errnoCause(errno, m_save->errorString());
        m_save.reset();
        return fail(cause);
    }
    return true;
}

QIODevice& OutputFile::device()
{
    if (m_stream)
        return *m_stream;
    return *m_save;
}

bool OutputFile::commit(QString* error)
{
    const auto fail = [&](const QString& cause) {
        if (error)
            *error = cannotWriteMessage(m_path, cause);
        return false;
    };
    if (m_stream) {
        errno = 0;
        const bool ok = m_stream->flush();
        const QString cause = errnoCause(errno, m_stream->errorString());
        m_stream->close();
        m_stream.reset();
        return ok || fail(cause);
    }
    if (!m_save)
        return fail(errnoCause(EBADF));
    // QSaveFile::commit() does not look at the outcome of its own last flush: the tail of
    // the file still in its buffer (a whole small export) could fail to reach a full disk
    // and the short file would be renamed into place all the same.
    errno = 0;
    if (!m_save->flush()) {
        const QString cause = errnoCause(errno, m_save->errorString());
        cancel();
        return fail(cause);
    }
    errno = 0;
    const bool ok = m_save->commit();
    const QString cause = errnoCause(errno, m_save->errorString());
    m_save.reset();
    return ok || fail(cause);
}

void OutputFile::cancel()
{
    if (m_save) {
        m_save->cancelWriting();
        (void)m_save->commit(); // closes the handle and removes the temporary file
        m_save.reset();
    }
    if (m_stream) {
        m_stream->close();
        m_stream.reset();
    }
}

} // namespace vellora
