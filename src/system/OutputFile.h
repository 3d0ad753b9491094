#pragma once
// Where exports and PDF reports are written. A regular file (or a new one) is written beside
// its final name and renamed over it only when complete, so a failure leaves nothing half
// written under that name. A target that exists and is not a regular file is never
// replaced: a FIFO or a device is written into as a stream, as a shell redirection would;
// a folder or a socket is refused.

#include <memory>
#include <QString>

class QIODevice;
class QSaveFile;
class QFile;

namespace vellora {

class OutputFile
{
public:
    explicit OutputFile(const QString& path);
    ~OutputFile(); // an uncommitted file is discarded
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // The target as given, made absolute: what messages name.
    [[nodiscard]] const QString& path() const { return m_path; }
    // Opens for writing; false with the Italian message naming the file and the cause.
    [[nodiscard]] bool open(QString* error);
    // Valid after a successful open.
    [[nodiscard]] QIODevice& device();
    // Flushes everything and puts the file in place; false with the message when the last
    // bytes could not be written (a full disk) or the rename failed.
    [[nodiscard]] bool commit(QString* error);
    // Drops what was written (a stream keeps what it already passed on).
    void cancel();

private:
    QString m_path;
    std::unique_ptr<QSaveFile> m_save;
    std::unique_ptr<QFile> m_stream;
};

// "Impossibile scrivere il file <path>: <cause>".
[[nodiscard]] QString cannotWriteMessage(const QString& path, const QString& cause);

} // namespace vellora
