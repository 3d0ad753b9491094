// vellora-list --preview-pages: pictures of the report's pages, as the print preview draws
// them on the PDF printer's pages.

#include "ListCommand.h"

#include "fileinfo/FolderPaths.h"
#include "print/PreviewSurface.h"
#include "print/QtPrinterSurface.h"
#include "print/ReportLayout.h"
#include "results/ResultTable.h"
#include "system/ErrorText.h"
#include "system/OutputFile.h"
#include "system/Platform.h"
#include "system/SystemData.h"

#include <cerrno>
#include <charconv>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vellora {

namespace {

QString pageFileName(int page)
{
    return QStringLiteral("page-%1.png").arg(page, 4, 10, QLatin1Char('0'));
}

// The page a name of ours pictures, or 0 for any other name.
int pageOfName(std::string_view name)
{
    if (name.size() < 13 || !name.starts_with("page-") || !name.ends_with(".png"))
        return 0;
    int page = 0;
    const char* first = name.data() + 5;
    const char* last = name.data() + name.size() - 4;
    const auto [end, ec] = std::from_chars(first, last, page);
    if (ec != std::errc() || end != last || page < 1 || pageFileName(page).toStdString() != name)
        return 0;
    return page;
}

// Pictures of a longer earlier run would pass for pages of this report: the files of our
// names numbered after the last page written go, and nothing else in the folder is touched.
// An empty text, or the message of a file that could not be removed.
QString removePagesAfter(const QByteArray& folder, int last)
{
    const int fd = fileinfo::openFolderToRead(folder);
    DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (!dir) {
        if (fd >= 0)
            ::close(fd);
        return {};
    }
    std::vector<std::string> stale;
    while (const dirent* entry = ::readdir(dir))
        if (pageOfName(entry->d_name) > last)
            stale.emplace_back(entry->d_name);
    QString error;
    for (const std::string& name : stale) {
        struct stat st;
        if (::fstatat(::dirfd(dir), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (::unlinkat(::dirfd(dir), name.c_str(), 0) != 0 && errno != ENOENT && error.isEmpty())
            error =
                QStringLiteral("Impossibile rimuovere il file %1: %2")
                    .arg(fileinfo::pathText((folder.endsWith('/') ? folder : folder + '/') + name.c_str()),
                         errnoCause(errno));
    }
    ::closedir(dir);
    return error;
}

} // namespace

int ListCommand::previewPages(const ListOptions& options)
{
    ResultTable table;
    AppState state;
    SystemData system;
    if (const int rc = scanForReport(options, QStringLiteral("l'anteprima"), table, state, system);
        rc != kExitOk)
        return rc;

    // The PDF printer's pages, whatever printer is current here: the pictures then match
    // what --print PDF writes, page for page.
    QtPrinterSurface surface;
    surface.selectPrinter(surface.pdfIndex());
    const ReportInput input{table, state, system.systemLine()};
    ReportPages pages(surface, input);
    pages.layOut(-1, options.previewTo);
    if (options.previewFrom > pages.pageCount()) {
        say(QStringLiteral("vellora-list: la stampa finisce a pagina %1: nessuna pagina da %2 in poi")
                .arg(pages.pageCount())
                .arg(options.previewFrom));
        return kExitOutput;
    }
    QByteArray absolute;
    if (const int err = fileinfo::absolutePath(fileinfo::pathBytes(options.output), absolute); err != 0) {
        say(QStringLiteral("vellora-list: impossibile creare la cartella %1: %2")
                .arg(options.output, workingFolderCause(err)));
        return kExitOutput;
    }
    const QString folder = fileinfo::pathText(absolute.endsWith('/') ? absolute : absolute + '/');
    QString error;
    if (!makeFolder(folder, &error)) {
        say(QStringLiteral("vellora-list: ") + error);
        return kExitOutput;
    }
    const int last = std::min(options.previewTo, pages.pageCount());
    for (int page = options.previewFrom; page <= last; ++page) {
        const QImage image = pageImage(pages, page, 100);
        OutputFile out(folder + pageFileName(page));
        if (!out.open(&error))
            break;
        if (!image.save(&out.device(), "PNG")) {
            error = cannotWriteMessage(out.path(), QStringLiteral("immagine non scritta"));
            out.cancel();
            break;
        }
        if (!out.commit(&error))
            break;
    }
    if (error.isEmpty())
        error = removePagesAfter(absolute, last);
    if (!error.isEmpty()) {
        say(QStringLiteral("vellora-list: ") + error);
        return kExitOutput;
    }
    say(QStringLiteral("Anteprima terminata: pagine %1-%2 di %3, vedi cartella %4")
            .arg(options.previewFrom)
            .arg(last)
            .arg(pages.pageCount())
            .arg(folder));
    return kExitOk;
}

} // namespace vellora
