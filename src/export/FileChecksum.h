#pragma once
// The SHA-256 of a listed file's content, read relative to its folder like every other fact
// of the file, so a file deeper than the system's path limit is read too. One reader per
// thread: it keeps the last folder open, as rows of one folder come together.

#include <atomic>
#include <QByteArray>
#include <vector>

struct evp_md_ctx_st;
using EVP_MD_CTX = evp_md_ctx_st;

namespace vellora {

class ChecksumReader
{
public:
    // followLinks: a symbolic link is read as the file it names (as sha256sum does, for
    // checking a list of its); otherwise it has no checksum (a listing never holds links).
    explicit ChecksumReader(bool followLinks = false);
    ~ChecksumReader();
    ChecksumReader(const ChecksumReader&) = delete;
    ChecksumReader& operator=(const ChecksumReader&) = delete;

    // 64 lowercase hex digits for the regular file `name` inside `folder` (bytes ending in
    // '/'); empty when it cannot be opened or read, or when stop was set meanwhile (looked
    // at between blocks, so a huge file does not hold up an interrupt).
    [[nodiscard]] QByteArray sha256(const QByteArray& folder, const QByteArray& name,
                                    const std::atomic_bool& stop);

private:
    [[nodiscard]] int folderFd(const QByteArray& folder);

    QByteArray m_folder;
    int m_folderFd = -1;
    std::vector<char> m_block;
    EVP_MD_CTX* m_hash = nullptr; // OpenSSL's digest, made once per reader
    int m_openFlags;
};

} // namespace vellora
