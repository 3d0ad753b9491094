#include "IoErrorText.h"

#include <cerrno>
#include <cstring>

namespace vellora {

QString ioErrorText(int err, const QString& fallback)
{
    switch (err) {
    case EACCES:
    case EPERM:
        return QStringLiteral("permesso negato");
    case ENOSPC:
        return QStringLiteral("spazio esaurito sul disco");
#ifdef EDQUOT
    case EDQUOT:
        return QStringLiteral("quota del disco superata");
#endif
    case EROFS:
        return QStringLiteral("file system di sola lettura");
    case ENOTDIR:
        return QStringLiteral("una parte del percorso non è una cartella");
    case ENOENT:
        return QStringLiteral("percorso inesistente");
    case EEXIST:
        return QStringLiteral("esiste già un file con lo stesso nome");
    case EISDIR:
        return QStringLiteral("esiste già una cartella con lo stesso nome");
    case ENAMETOOLONG:
        return QStringLiteral("nome troppo lungo");
    case EIO:
        return QStringLiteral("errore di lettura o scrittura sul dispositivo");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("troppi file aperti");
    case 0:
        break;
    default:
        if (fallback.isEmpty())
            return QString::fromLocal8Bit(std::strerror(err));
        break;
    }
    return fallback.isEmpty() ? QStringLiteral("errore sconosciuto") : fallback;
}

} // namespace vellora
