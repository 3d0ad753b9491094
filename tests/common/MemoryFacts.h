#pragma once
// The one stand-in for the reader of file facts: files given sizes, dates and version data
// by their full path, and a count of what was asked. Paths it does not know come from the
// file system unless it stands alone.

#include "fileinfo/FileFacts.h"

#include <atomic>
#include <chrono>
#include <optional>
#include <QHash>
#include <thread>

namespace vellora::test {

class MemoryFacts : public FactSource
{
public:
    struct Fake
    {
        std::optional<std::pair<std::int64_t, std::int64_t>> stat; // size, mtime
        std::optional<VersionData> version;
    };

    explicit MemoryFacts(bool fileSystemBehind = true) : m_fileSystemBehind(fileSystemBehind) {}

    void fakeStat(const QByteArray& path, std::int64_t size, std::int64_t mtime)
    {
        fakes[path].stat = std::pair{size, mtime};
    }
    void fakeVersion(const QByteArray& path, const VersionData& v) { fakes[path].version = v; }
    void fake(const QByteArray& path, std::int64_t size, std::int64_t mtime, const VersionData& v)
    {
        fakeStat(path, size, mtime);
        fakeVersion(path, v);
    }

    std::unique_ptr<FactReader> reader() const override { return std::make_unique<Reader>(*this); }

    QHash<QByteArray, Fake> fakes;
    std::chrono::microseconds delay{0}; // each read waits this long, as on a slow share
    // Reads that asked for size and time, and for version data.
    mutable std::atomic<int> stats{0};
    mutable std::atomic<int> versions{0};

private:
    class Reader : public FactReader
    {
    public:
        explicit Reader(const MemoryFacts& facts) : m_facts(facts), m_real(fileSystemFacts().reader()) {}

        FileFacts read(const QByteArray& folder, std::string_view name, unsigned want) override
        {
            if (m_facts.delay.count() > 0)
                std::this_thread::sleep_for(m_facts.delay);
            if (want & Stat)
                ++m_facts.stats;
            if (want & Version)
                ++m_facts.versions;
            const QByteArray path = folder + QByteArray(name.data(), qsizetype(name.size()));
            const Fake fake = m_facts.fakes.value(path);
            unsigned left = want;
            FileFacts out;
            if ((want & Stat) && fake.stat) {
                out.statted = true;
                out.size = fake.stat->first;
                out.mtime = fake.stat->second;
                left &= ~unsigned(Stat);
            }
            if ((want & Version) && fake.version) {
                out.version = *fake.version;
                left &= ~unsigned(Version);
            }
            if (left != 0 && m_facts.m_fileSystemBehind) {
                const FileFacts real = m_real->read(folder, name, left);
                if ((left & Version) != 0)
                    out.version = real.version;
                if ((left & Stat) != 0 || (!out.statted && real.statted)) {
                    out.statted = real.statted;
                    out.size = real.size;
                    out.mtime = real.mtime;
                }
            }
            return out;
        }

    private:
        const MemoryFacts& m_facts;
        std::unique_ptr<FactReader> m_real;
    };

    bool m_fileSystemBehind;
};

} // namespace vellora::test
