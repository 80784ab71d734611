#pragma once
#include "db/value.h"
#include "eval/table_data.h"

#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::workbench {

// A line of the source plot list: " " + FL_ID + ": " + location + "-" + site_description.
struct TransferPlotLine {
    long long plot = 0;
    std::string text;
};

// The plots of the open database, ordered by location and site_description.
std::vector<TransferPlotLine> transfer_source_plots(db::Connection& c);

// The crop and amendment parameter records a plot uses, looked up in the destination.
struct KeyCheckLists {
    std::vector<std::string> amendmentHits;  // item_ix + " ==>src: " + name + " ==>dst: " + name
    std::vector<long long> amendmentsMissing;
    std::vector<std::string> cropHits;
    std::vector<long long> cropsMissing;

    bool complete() const { return amendmentsMissing.empty() && cropsMissing.empty(); }
    // The lines of the message list, headed "Trefferliste Ops:", "Fehlerliste Ops:",
    // "Trefferliste crops:", "Fehlerliste Crops:".
    std::vector<std::string> messageLines() const;
};

// What was copied of one plot: rows per table, in the order of the copy.
struct PlotTransfer {
    long long plot = 0;
    bool copied = false;  // false: skipped after the key check
    std::vector<std::pair<std::string, int>> rows;
    // What became of the plot's experiment, soil and station: reused, copied, or copied
    // under a new id (`soil 2 "silty clay loam" copied as soil 41 ...`).
    std::vector<std::string> notes;
};

// A copy that failed: nothing of `plot` reached the destination.
class TransferError : public std::runtime_error {
public:
    TransferError(long long plot, const std::string& table, const std::string& message, bool alreadyThere = false);
    long long plot() const { return plot_; }
    const std::string& table() const { return table_; }
    // The plot is in the destination already: refused before anything was written.
    bool alreadyThere() const { return alreadyThere_; }

private:
    long long plot_;
    std::string table_;
    bool alreadyThere_ = false;
};

// "data transfer": copies plots with everything they need from the open database into
// another database file of the same layout. The destination is attached to the one
// connection, so each plot is copied by statements across both files that stand or fall
// together; no work table is created in either file.
class DataTransfer {
public:
    explicit DataTransfer(db::Connection& source);
    ~DataTransfer();
    DataTransfer(const DataTransfer&) = delete;
    DataTransfer& operator=(const DataTransfer&) = delete;

    // "select destination": copies the file to FILE.bak (overwriting an older backup),
    // checks the backup (it opens as a database with as many tables as the file), and
    // only then attaches the file. Throws std::runtime_error (or db::DbError) and stays
    // unconnected when any of it fails.
    void selectDestination(const std::string& path);
    bool connected() const { return !destination_.empty(); }
    const std::string& destination() const { return destination_; }
    static std::string backupPath(const std::string& destination) { return destination + ".bak"; }
    // "end": the destination is detached.
    void disconnect();
    // Forgets the destination without touching the connection (it was closed already).
    void abandon() { destination_.clear(); }

    // The destination's plots: fl_id, location, site_description.
    eval::Table destinationPlots();

    // The key check of one plot against the destination's gldopspa and gldpflan.
    KeyCheckLists keyCheck(long long plot);
    enum class Record { Amendment, Crop };
    // Copies a missing gldopspa or gldpflan record (every column) into the destination;
    // returns the rows copied (0 when the destination has it or the source lacks it).
    int copyParameterRecord(Record kind, long long itemIx);

    struct Options {
        bool keyCheck = true;  // false: "no wait on key check"
        // After the key check of a plot (only when keyCheck): whether to copy it. It may
        // copy missing records first, and shows the lists itself (they do not go to
        // `message` then). Without it a plot with missing records is skipped.
        std::function<bool(long long plot, const KeyCheckLists& lists)> decide;
        std::function<void(const std::string& line)> message;
        std::function<void(long long done, long long total)> progress;
        // Each plot as soon as it is copied (its copy stays whatever follows).
        std::function<void(const PlotTransfer&)> copied;
    };
    // "copy": every plot in order, each all or nothing, with every column of every row it
    // copies. The plot's experiment, soil and station are matched by content: reused when
    // the destination holds the same content (under their id or another), copied under
    // their own id when it is free, else under a new id with the plot's key re-pointed.
    // Crop and amendment records the destination holds under their id with other content
    // are copied under a new id, and the plot's management rows point at the copies.
    // The first plot that fails stops the copy with TransferError naming the plot; the
    // plots before it stay copied, the destination holds nothing of the failing one.
    std::vector<PlotTransfer> copy(const std::vector<long long>& plots, const Options& options);

private:
    // How a record the plot refers to is matched and copied.
    struct RecordKind {
        RecordKind(std::string t, std::string k, std::string l, std::string n, std::vector<std::string> i)
            : table(std::move(t)), key(std::move(k)), label(std::move(l)), noun(std::move(n)), ignored(std::move(i))
        {
        }
        std::string table, key, label, noun;
        std::vector<std::string> ignored;  // columns left out of the content comparison
        std::vector<std::pair<std::string, std::string>> rowSets;  // rows that belong to it (table, key)
        std::function<bool(const db::Value& id)> extraTaken;
        std::function<db::Value()> newId;
        std::function<std::map<std::string, db::Value>(const db::Value& target)> extraOverrides =
            [](const db::Value&) { return std::map<std::string, db::Value>{}; };
    };
    db::Value placeRecord(PlotTransfer& r, const RecordKind& kind, const db::Value& id);
    PlotTransfer copyPlot(long long plot);
    void placeParameterRecords(PlotTransfer& r, long long plot);
    std::vector<std::string> commonColumns(const std::string& table, const std::vector<std::string>& wanted);

    db::Connection& c_;
    std::string destination_;
};

} // namespace vt::workbench
