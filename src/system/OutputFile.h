#pragma once
// Where exports, PDF reports and preview pictures are written. A regular file (or a new one) is
// written beside its final name under a temporary one and renamed over it only when complete, so
// a failure leaves nothing half written under that name; it keeps the permissions of the file it
// replaces. A target that exists and is not a regular file is never replaced: a FIFO or a device
// is written into as a stream, as a shell redirection would; a folder or a socket is refused.
//
// The path is taken as the file system's bytes (fileinfo::pathBytes: a name from the command
// line keeps every byte), of any length. A symbolic link under the target's name is followed and
// the file it names is replaced, the link kept, as a link of one's own means; but a link that
// names nothing is refused, and so is a link that someone else may have planted: one in a sticky
// or world-writable folder owned neither by this user nor by the folder's owner (the links the
// kernel itself refuses to follow there, fs.protected_symlinks).

#include <memory>
#include <optional>
#include <QByteArray>
#include <QString>

class QIODevice;
struct stat;

namespace vellora {

class OutputDevice;

class OutputFile
{
public:
    explicit OutputFile(const QString& path);
    ~OutputFile(); // an uncommitted file is discarded
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // The target as given, made absolute: what messages name.
    [[nodiscard]] const QString& path() const { return m_path; }
    // Opens for writing; false with the Italian message naming the file and the cause. A FIFO
    // waits here for its reader; a signal whose handler does not restart calls (vellora-list's
    // Ctrl+C) ends the wait, and open fails, "operazione interrotta".
    [[nodiscard]] bool open(QString* error);
    // Valid after a successful open. Writes go through a buffer; the first failed one fails
    // every later write and the commit.
    [[nodiscard]] QIODevice& device();
    // Writes out what is buffered and puts the file in place; false with the message when any
    // write failed (a full disk, a reader that went away) or the rename failed.
    [[nodiscard]] bool commit(QString* error);
    // Drops what was written (a stream keeps what it already passed on).
    void cancel();

private:
    [[nodiscard]] bool fail(QString* error, const QString& cause);
    // Whether the link (lstat) in m_folder may be followed: not one another user may have
    // planted in a shared folder. False with the cause.
    [[nodiscard]] bool linkTrusted(const struct stat& link, QString& cause) const;
    // Follows links from m_name, one at a time, to the regular file they lead to, which m_folder
    // and m_name then name. False with the cause when it is not reached or a link is refused.
    [[nodiscard]] bool followLinks(QString& cause);
    [[nodiscard]] bool openStream(QString& cause);
    // keepMode: the permissions of the file replaced; none for a new file (0666 less the umask).
    [[nodiscard]] bool openTemporary(std::optional<unsigned> keepMode, QString& cause);
    // Gives the complete unnamed file a temporary name in m_folder (m_temp); errno on failure.
    [[nodiscard]] int nameUnnamed();
    void closeFolder();

    QString m_path;
    QByteArray m_bytes;  // absolute; empty when the working folder has no name
    int m_pathError = 0; // why m_bytes is empty
    int m_folder = -1;   // the folder of the entry written (after links)
    QByteArray m_name;   // the entry's name in m_folder
    QByteArray m_temp;   // the temporary file's name in m_folder; empty for a stream
    bool m_unnamed = false; // the temporary file has no name until it is complete
    std::unique_ptr<OutputDevice> m_device;
};

// "Impossibile scrivere il file <path>: <cause>".
[[nodiscard]] QString cannotWriteMessage(const QString& path, const QString& cause);

// A reader that goes away (a pipe closed early) must fail the write with EPIPE, reported as
// any other write error, rather than end the program by SIGPIPE: sets SIGPIPE to be ignored,
// unless someone installed a handler of their own. OutputFile::open calls it; vellora-list
// also does for its standard output.
void ignoreBrokenPipes();

} // namespace vellora
