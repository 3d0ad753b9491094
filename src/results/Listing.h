#pragma once
// The one road from a listing request to a filled, ordered table, for the window and for
// vellora-list alike: the walk and the fill (collect, on any thread, stopped by the scan
// state's interrupt flag), then the order and the numbers (deliver, on the table's thread, as
// the table is a model a view may be showing). The window runs the two steps on its worker
// and on its own thread (ScanDriver); vellora-list runs them one after the other.

#include "results/ListingRequest.h"
#include "scan/Scanner.h"

#include <functional>
#include <memory>
#include <QStringList>

namespace vellora {

class FactSource;
class ResultTable;
struct FillResult;

class Listing
{
public:
    // Called on the thread that runs collect().
    struct Hooks
    {
        std::function<void(const QByteArray& folder)> folderEntered; // each folder the walk enters
        std::function<void(qsizetype row)> beforeRow;                // each row, before its fill
        std::function<void()> filling;                               // the walk is done, the fill begins
    };

    // scan holds the progress counters and the interrupt flag, as the caller set them (a
    // stop asked for already stops the walk at once); it must outlive the listing. facts: where the fill and
    // the orders read the files (null: the file system), not owned.
    Listing(ListingRequest request, ScanState& scan, const FactSource* facts = nullptr);
    ~Listing();
    Listing(const Listing&) = delete;
    Listing& operator=(const Listing&) = delete;

    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }

    // Walks the folder and, when files were found and no interrupt came, fills their rows.
    void collect();
    // Hands the rows to the table with the headings to show; a complete fill is ordered by
    // the request's order and numbered (the table's PopolaGriglia). Once, after collect().
    // The table reads the files through its own fact source, which should be this listing's.
    void deliver(ResultTable& table, const QStringList& headings);

    [[nodiscard]] const ListingRequest& request() const { return m_request; }
    [[nodiscard]] const ListingSummary& summary() const { return m_summary; }

private:
    ListingRequest m_request;
    ScanState& m_scan;
    const FactSource* m_facts;
    Hooks m_hooks;
    ListingSummary m_summary;
    std::unique_ptr<FillResult> m_fill;
};

} // namespace vellora
