#pragma once
// Where the version reader takes its bytes from: a file read piecewise with pread, or bytes
// already in memory. Both answer the same bounded reads, so one parser serves the file
// path, the tests and the fuzzer.

#include <QByteArray>
#include <QtGlobal>

#include <array>

namespace vellora::fileinfo {

class ByteSource
{
public:
    virtual ~ByteSource() = default;

    [[nodiscard]] virtual quint64 size() const = 0;

    // Fills dst with exactly len bytes starting at offset. False, with dst unspecified, when
    // any of them lies past the end or the read fails; never reads past the end.
    [[nodiscard]] virtual bool read(quint64 offset, void* dst, quint64 len) = 0;

    // True once a read failed for another reason than asking past the end: an I/O error,
    // or a file that shrank while it was read. Its answers are then not the file's.
    [[nodiscard]] virtual bool failed() const { return false; }

    // Up to maxLen bytes starting at offset, fewer when the source ends first; empty when
    // offset is at or past the end or the read fails.
    [[nodiscard]] QByteArray readUpTo(quint64 offset, quint64 maxLen);
};

class MemoryByteSource final : public ByteSource
{
public:
    explicit MemoryByteSource(const QByteArray& bytes) : m_bytes(bytes) {}

    [[nodiscard]] quint64 size() const override { return quint64(m_bytes.size()); }
    [[nodiscard]] bool read(quint64 offset, void* dst, quint64 len) override;

private:
    QByteArray m_bytes; // implicitly shared with the caller's array, never copied
};

// Reads a file through its descriptor. Small reads are served from one window of the file
// kept in memory, so walking the headers and the resource directory costs a few preads.
class FileByteSource final : public ByteSource
{
public:
    // Opens without blocking and keeps the descriptor only for a regular file: a FIFO or a
    // device must never stall a scan. isOpen() tells whether that worked.
    explicit FileByteSource(const QByteArray& path);
    // Same for the entry `name` of an open folder (POSIX: a descriptor from open, O_PATH
    // will do). A symbolic link is not followed: the scan never lists links, so a link
    // standing where a file was is not that file.
    FileByteSource(int dirFd, const char* name);
    ~FileByteSource() override;
    FileByteSource(const FileByteSource&) = delete;
    FileByteSource& operator=(const FileByteSource&) = delete;

    [[nodiscard]] bool isOpen() const { return m_fd >= 0; }
    // Whether the opened entry could be looked at, even when it was not a regular file;
    // then size and modification time are those of the entry.
    [[nodiscard]] bool statted() const { return m_statted; }
    [[nodiscard]] qint64 statSize() const { return m_statSize; }
    [[nodiscard]] qint64 modifiedSecs() const { return m_mtime; }
    [[nodiscard]] quint64 size() const override { return m_size; }
    [[nodiscard]] bool read(quint64 offset, void* dst, quint64 len) override;
    [[nodiscard]] bool failed() const override { return m_failed; }

    // How many preads this source has issued; for tests and measurements.
    [[nodiscard]] int readCalls() const { return m_readCalls; }

private:
    static constexpr quint64 kWindowSize = 4096;
    // The first read of a file only has to tell an executable from anything else, and most
    // files in a tree are something else: it copies less. An executable's headers and
    // section table still fit in it.
    static constexpr quint64 kFirstWindowSize = 1024;

    bool preadFully(quint64 offset, char* dst, quint64 len);
    void adopt(int fd); // keeps fd for a regular file, closes it otherwise

    int m_fd = -1;
    quint64 m_size = 0;
    qint64 m_statSize = 0;
    qint64 m_mtime = 0;
    bool m_statted = false;
    int m_readCalls = 0;
    bool m_failed = false;
    quint64 m_windowStart = 0;
    quint64 m_windowLen = 0;
    std::array<char, kWindowSize> m_window; // only the first m_windowLen bytes are meaningful
};

} // namespace vellora::fileinfo
