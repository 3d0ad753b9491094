#pragma once
// A text file read line by line in large blocks: a saved listing or a checksum list of a
// million lines is read without holding it all, and each line is handed over in place. Every
// line is followed in memory by at least `padding` readable bytes, for parsers that load a few
// bytes past the end of their input.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <QByteArray>
#include <QString>
#include <string_view>

namespace vellora {

// Called now and then while a file is read: bytes read so far and the file's size.
using ReadProgressFn = std::function<void(std::int64_t done, std::int64_t total)>;

// What a reader of a listing or a checksum list tells: an error (Italian, naming the file)
// unless ok, or that the user stopped it.
struct ReadOutcome
{
    bool ok = false;
    bool interrupted = false;
    QString error;
};

class LineFile
{
public:
    explicit LineFile(std::size_t padding = 0);
    ~LineFile();
    LineFile(const LineFile&) = delete;
    LineFile& operator=(const LineFile&) = delete;

    // Opens the file at path (bytes, any length, relative to the working folder). False with
    // cause (Italian, without the name) when it cannot be opened or is no regular file.
    [[nodiscard]] bool open(const QByteArray& path, QString* cause);
    // The next line without its '\n'; false at the end, or after a failed read (cause() then).
    [[nodiscard]] bool next(std::string_view& line);
    // Bytes readable from the start of the last line: itself, what follows, the padding.
    [[nodiscard]] std::size_t capacityFrom(std::string_view line) const;
    [[nodiscard]] std::int64_t lineNumber() const { return m_lineNumber; }
    [[nodiscard]] std::int64_t bytesRead() const { return m_bytesRead; }
    [[nodiscard]] std::int64_t fileSize() const { return m_fileSize; }
    [[nodiscard]] const QString& cause() const { return m_cause; }

private:
    [[nodiscard]] bool fill();

    std::size_t m_padding;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_capacity = 0; // without the padding
    std::size_t m_begin = 0;    // the next line starts here
    std::size_t m_end = 0;      // bytes in the buffer
    int m_fd = -1;
    bool m_eof = false;
    std::int64_t m_lineNumber = 0;
    std::int64_t m_bytesRead = 0;
    std::int64_t m_fileSize = 0;
    QString m_cause;
};

// Opens and reads a whole list for a reader: calls line(text, number) for every line, progress
// every few megabytes, stops at the user's interrupt or when line returns an error (a short
// Italian cause; the outcome names the file and the line). what: "l'elenco", "la lista".
[[nodiscard]] ReadOutcome readLines(const QByteArray& path, const char* what, std::size_t padding,
                                    const std::function<QString(LineFile& file, std::string_view line)>& line,
                                    const std::atomic_bool* interrupt, const ReadProgressFn& progress);

} // namespace vellora
