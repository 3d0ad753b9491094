// vellora-list --compare and --verify: what changed between a saved listing (or a folder) and
// another, and files checked against a list of checksums. Both answer as diff does: 0 no
// difference, 1 differences, 2 trouble with one Italian line, 130 interrupted.

#include "ListCommand.h"

#include "compare/CheckedRows.h"
#include "compare/ComparisonRows.h"
#include "compare/LiveFiles.h"
#include "compare/SavedListing.h"
#include "compare/SideFilters.h"
#include "compare/Verification.h"
#include "fileinfo/FolderPaths.h"
#include "results/Formats.h"
#include "results/ResultTable.h"

#include <future>
#include <string>
#include <sys/stat.h>

namespace vellora {

namespace {

bool isFolder(const QByteArray& path)
{
    struct stat st
    {
    };
    return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Control characters become '?', so that one file stays one line of the table.
std::string cell(const QString& text)
{
    return sanitizeLine(text).toUtf8().toStdString();
}

std::string cell(std::string_view bytes)
{
    return cell(QString::fromUtf8(bytes.data(), qsizetype(bytes.size())));
}

// A path as sha256sum -c names it in its answers: a name with a backslash or a line break
// gets a leading backslash and those characters escaped, so one file is one line.
QByteArray checkedName(const QByteArray& path)
{
    if (!path.contains('\\') && !path.contains('\n') && !path.contains('\r'))
        return path;
    QByteArray out = "\\";
    for (const char c : path)
        out += c == '\\'   ? QByteArray("\\\\")
               : c == '\n' ? QByteArray("\\n")
               : c == '\r' ? QByteArray("\\r")
                           : QByteArray(1, c);
    return out;
}

} // namespace

int ListCommand::readFolderSide(const ListOptions& options, const QString& folder, unsigned want,
                                ListedFiles& files)
{
    ListOptions scan = options;
    scan.folder = folder;
    // The scan only names the files (no order, no column read): their facts are read once,
    // below, for the comparison.
    scan.listing.order = Order::None;
    scan.listing.columns = {0, 1, 1, 0, 0, 0, 0, 1};
    ResultTable table;
    AppState state;
    const int rc = scanInto(scan, table, state);
    if (rc != kExitOk)
        return rc == kExitInterrupted ? rc : kExitTrouble;
    QByteArray root;
    (void)fileinfo::absolutePath(fileinfo::pathBytes(folder), root);
    if (!root.endsWith('/'))
        root.append('/');
    LiveRead how;
    how.facts = want;
    how.checksum = false;
    how.interrupt = &m_scan.interrupt;
    return readLiveFiles(table, root, files, how) ? kExitOk : kExitInterrupted;
}

int ListCommand::compare(const ListOptions& options)
{
    auto sides = std::make_shared<ComparedSides>();
    const QByteArray beforePath = fileinfo::pathBytes(options.compareBefore);
    const unsigned want = FactReader::Stat | FactReader::Version;
    // A saved listing is read on a thread of its own while the other side is read or scanned.
    std::future<ReadOutcome> beforeRead;
    int rc = kExitOk;
    const bool beforeIsFolder = isFolder(beforePath);
    if (beforeIsFolder)
        rc = readFolderSide(options, options.compareBefore, want, sides->before);
    else
        beforeRead = std::async(std::launch::async, [&] {
            return readSavedListing(beforePath, sides->before, &m_scan.interrupt);
        });
    const auto beforeDone = [&]() -> int {
        if (!beforeRead.valid())
            return rc;
        const ReadOutcome read = beforeRead.get();
        if (read.interrupted)
            return kExitInterrupted;
        if (!read.ok) {
            say(QStringLiteral("vellora-list: ") + read.error);
            return kExitTrouble;
        }
        return kExitOk;
    };
    if (rc != kExitOk)
        return rc;

    QString after = options.folder;
    if (after.isEmpty()) {
        // The folder the listing was made from: known once it is read.
        if (const int done = beforeDone(); done != kExitOk)
            return done;
        if (sides->before.root.isEmpty()) {
            say(QStringLiteral(
                    "vellora-list: %1 non dice di quale cartella è l'elenco: indicala dopo l'elenco")
                    .arg(options.compareBefore));
            return kExitTrouble;
        }
        after = fileinfo::pathText(sides->before.root);
    }
    const QByteArray afterPath = fileinfo::pathBytes(after);
    const bool afterIsFolder = isFolder(afterPath);
    if (afterIsFolder) {
        rc = readFolderSide(options, after, want, sides->after);
    } else {
        const ReadOutcome read = readSavedListing(afterPath, sides->after, &m_scan.interrupt);
        rc = read.interrupted ? kExitInterrupted : read.ok ? kExitOk : kExitTrouble;
        if (!read.ok && !read.interrupted)
            say(QStringLiteral("vellora-list: ") + read.error);
    }
    if (const int done = beforeDone(); rc == kExitOk)
        rc = done;
    if (rc != kExitOk)
        return rc;
    // A saved listing holds what its own listing kept: cut to what this one asks for, so that
    // files the pattern or the filters leave out of a folder are not told as removed.
    const bool scoped = beforeIsFolder || afterIsFolder;
    if (listingCuts(options.listing, scoped)) {
        if (!beforeIsFolder)
            sides->before = keptAsListed(sides->before, options.listing, scoped);
        if (!afterIsFolder)
            sides->after = keptAsListed(sides->after, options.listing, scoped);
    }

    FolderHasher hasher(&m_scan.interrupt, {});
    CompareOptions how;
    how.keepUnchanged = options.showAll;
    how.hasher = afterIsFolder ? &hasher : nullptr;
    how.hashAll = options.exportChoice.checksum;
    sides->outcome = compareListings(sides->before, sides->after, how);
    if (sides->outcome.interrupted || m_scan.interrupt.load())
        return kExitInterrupted;
    if (!sides->outcome.ok) {
        say(QStringLiteral("vellora-list: ") + sides->outcome.error);
        return kExitTrouble;
    }
    if (sides->outcome.unhashed > 0)
        say(QStringLiteral("vellora-list: %1 file della cartella non si sono potuti leggere: confrontati per "
                           "dimensione e data")
                .arg(sides->outcome.unhashed));

    if (options.exportCompared) {
        const ComparisonRows rows(sides, options.listing.infoKind);
        AppState state = AppState::forRequest(options.listing);
        state.OptS = options.optS;
        state.TipoRicerca = Scope::Subfolders; // the rows lie at any depth of the folders compared
        state.OrdineGriglia = Order::None;
        rc = deliverExport(options, rows, state);
        if (rc != kExitOk)
            return rc == kExitInterrupted ? rc : kExitTrouble;
    } else if (const int written = writeComparedTable(*sides); written != kExitOk) {
        return written;
    }
    return sides->outcome.differs() ? kExitDiffers : kExitOk;
}

int ListCommand::writeComparedTable(const ComparedSides& sides)
{
    std::string out = "Stato\tPercorso\tDimensione prima\tDimensione dopo\tData prima\tData dopo\t"
                      "Versione prima\tVersione dopo\tSHA-256 prima\tSHA-256 dopo\tModifiche\t"
                      "Percorso precedente\n";
    const auto facts = [&](const ListedFiles& side, std::uint32_t i, int what) -> std::string {
        if (i == ComparedFile::kNone)
            return {};
        switch (what) {
        case 0:
            return side.size(i) == ListedFiles::kUnknown ? std::string()
                                                         : formatSize(side.size(i)).toStdString();
        case 1:
            return side.mtime(i) == ListedFiles::kUnknown ? std::string()
                                                          : formatDateTable(side.mtime(i)).toStdString();
        case 2:
            return cell(side.versionParts(i)[0]);
        default:
            return side.hasSha256(i) ? sha256Hex(side.sha256(i)).toStdString() : std::string();
        }
    };
    std::size_t written = 0;
    bool ok = true;
    const auto flush = [&] {
        ok = ok && std::fwrite(out.data(), 1, out.size(), m_out) == out.size();
        written += out.size();
        out.clear();
    };
    for (const ComparedFile& f : sides.outcome.files) {
        out += cell(fileStateWord(f.state));
        out += '\t';
        out += cell(comparedPath(f, sides.before, sides.after));
        for (int what = 0; what < 4; ++what) {
            out += '\t';
            out += facts(sides.before, f.before, what);
            out += '\t';
            out += facts(sides.after, f.after, what);
        }
        out += '\t';
        out += cell(changedFieldWords(f.changed).join(QStringLiteral(", ")));
        out += '\t';
        if (f.state == FileState::Moved)
            out += cell(sides.before.relative(f.before));
        out += '\n';
        if (out.size() >= (1u << 20)) {
            if (m_scan.interrupt.load())
                return kExitInterrupted;
            flush();
        }
    }
    flush();
    if (!ok || std::fflush(m_out) != 0) {
        say(QStringLiteral("vellora-list: scrittura sull'output standard non riuscita"));
        return kExitTrouble;
    }
    return kExitOk;
}

int ListCommand::writeCheckedLines(const VerifyOutcome& outcome)
{
    std::string out;
    for (const CheckedFile& f : outcome.files) {
        const QByteArray name = checkedName(f.path);
        out.append(name.constData(), std::size_t(name.size()));
        out += ": ";
        out += checkStateWord(f.state).toStdString();
        out += '\n';
    }
    if (std::fwrite(out.data(), 1, out.size(), m_out) != out.size() || std::fflush(m_out) != 0) {
        say(QStringLiteral("vellora-list: scrittura sull'output standard non riuscita"));
        return kExitTrouble;
    }
    return kExitOk;
}

int ListCommand::verify(const ListOptions& options)
{
    ChecksumList list;
    const ReadOutcome read =
        readChecksumList(fileinfo::pathBytes(options.verifyList), list, &m_scan.interrupt);
    if (read.interrupted)
        return kExitInterrupted;
    if (!read.ok) {
        say(QStringLiteral("vellora-list: ") + read.error);
        return kExitTrouble;
    }
    if (list.badLines > 0)
        say(QStringLiteral("vellora-list: %1: %2 righe non sono righe di checksum e sono state saltate")
                .arg(options.verifyList)
                .arg(list.badLines));
    if (list.withoutChecksum > 0)
        say(QStringLiteral("vellora-list: %1: %2 file dell'elenco non hanno checksum e non sono controllati")
                .arg(options.verifyList)
                .arg(list.withoutChecksum));

    VerifyOptions how;
    how.interrupt = &m_scan.interrupt;
    ListedFiles present;
    QByteArray listAbsolute;
    if (!options.folder.isEmpty()) {
        ListOptions scan = options;
        scan.listing.scope = Scope::Subfolders; // a list names files at any depth
        if (const int rc = readFolderSide(scan, options.folder, 0, present); rc != kExitOk)
            return rc;
        how.folder = present.root;
        how.present = &present;
        (void)fileinfo::absolutePath(fileinfo::pathBytes(options.verifyList), listAbsolute);
    }
    VerifyOutcome outcome = verifyChecksums(list, how);
    if (outcome.interrupted || m_scan.interrupt.load())
        return kExitInterrupted;
    // The list itself, kept in the folder it checks, is not a new file.
    std::erase_if(outcome.files, [&](const CheckedFile& f) {
        const bool self = f.state == CheckState::New && how.folder + f.path == listAbsolute;
        if (self)
            --outcome.counts[std::size_t(CheckState::New)];
        return self;
    });

    if (options.exportCompared) {
        QByteArray base = how.folder.isEmpty() ? list.base : how.folder;
        if (base.isEmpty() && fileinfo::absolutePath(".", base) == 0 && !base.endsWith('/'))
            base.append('/');
        const CheckedRows rows(outcome, base, options.verifyList);
        AppState state = AppState::forRequest(options.listing);
        state.OptS = options.optS;
        state.TipoRicerca = Scope::Subfolders; // the files lie at any depth of the folder
        state.OrdineGriglia = Order::None;
        if (const int rc = deliverExport(options, rows, state); rc != kExitOk)
            return rc == kExitInterrupted ? rc : kExitTrouble;
    } else if (const int rc = writeCheckedLines(outcome); rc != kExitOk) {
        return rc;
    }
    say(QStringLiteral("vellora-list: %1 file controllati: %2")
            .arg(outcome.files.size())
            .arg(checkCountsText(outcome)));
    return outcome.allOk() ? kExitOk : kExitDiffers;
}

} // namespace vellora
