#include "ErrorText.h"

#include <cerrno>

namespace vellora {

QString errnoCause(int err, const QString& fallback)
{
    switch (err) {
    case EACCES:
    case EPERM:
        return QStringLiteral("permesso negato");
    case ENOENT:
        return QStringLiteral("file o cartella inesistente");
    case ENOTDIR:
        return QStringLiteral("una parte del percorso non è una cartella");
    case EROFS:
        return QStringLiteral("il disco è di sola lettura");
    case ENOSPC:
        return QStringLiteral("spazio esaurito sul disco");
    case EFBIG:
        return QStringLiteral("file troppo grande per il disco");
#ifdef EDQUOT
    case EDQUOT:
        return QStringLiteral("quota del disco superata");
#endif
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("il file è in uso");
    case EEXIST:
        return QStringLiteral("esiste già un file con lo stesso nome");
    case EISDIR:
        return QStringLiteral("esiste già una cartella con lo stesso nome");
    case ENAMETOOLONG:
        return QStringLiteral("il nome è troppo lungo");
    case EINVAL:
    case EILSEQ:
        return QStringLiteral("nome non accettato dal file system");
    case EIO:
        return QStringLiteral("errore di lettura o scrittura sul disco");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("troppi file aperti");
    case EPIPE:
        return QStringLiteral("canale chiuso da chi legge");
    case EINTR:
        return QStringLiteral("operazione interrotta");
    case ELOOP:
        return QStringLiteral("troppi collegamenti simbolici");
    default:
        break;
    }
    if (!fallback.isEmpty())
        return fallback;
    return err == 0 ? QStringLiteral("errore sconosciuto") : QStringLiteral("errore di sistema %1").arg(err);
}

QString workingFolderCause(int err)
{
    return err == ENOENT ? QStringLiteral("la cartella di lavoro non esiste più") : errnoCause(err);
}

QString unreadableFilesNote(qsizetype count)
{
    if (count <= 0)
        return {};
    return count == 1
               ? QStringLiteral("1 file non si è potuto leggere: i suoi campi sono vuoti.")
               : QStringLiteral("%1 file non si sono potuti leggere: i loro campi sono vuoti.").arg(count);
}

} // namespace vellora
