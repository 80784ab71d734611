#include "engine/balance/old_results.h"

#include "base/text.h"
#include "db/connection.h"
#include "db/sql_quote.h"
#include "engine/preparation/plot_selection.h"

#include <sqlite3.h>

#include <algorithm>

namespace vt::engine {

namespace {

// The name under which the table's row id can be read: a column may hide "rowid".
std::optional<std::string> rowid_name(db::Connection& c, const std::string& table)
{
    std::vector<std::string> cols = c.columns(table);
    for (std::string& n : cols) n = base::to_lower(n);
    for (const char* name : {"rowid", "_rowid_", "oid"})
        if (std::find(cols.begin(), cols.end(), name) == cols.end()) return std::string(name);
    return std::nullopt;
}

} // namespace

const std::vector<std::string>& OldResults::tables()
{
    // rux_zbv keeps the rows of earlier runs of a plot beside the new ones: it is appended
    // to, never cleared by a run.
    static const std::vector<std::string> names{"sim_result", "rux_nresult"};
    return names;
}

OldResults::OldResults(db::Connection& c) : c_(c)
{
    // The selected plots: a range test where they are a range, else the list.
    const std::string selected = selected_plot_condition(c, "fl_id");
    for (const std::string& name : tables()) {
        if (!c.tableExists(name)) continue;
        Table t;
        t.name = name;
        const std::string q = db::quote_ident(name);
        std::optional<db::Statement> scan;
        if (const auto rowid = rowid_name(c, name)) {
            try {
                scan.emplace(c.prepare("SELECT " + *rowid + ", fl_id FROM " + q + " WHERE " + selected + " ORDER BY " + *rowid));
                t.byRowid.emplace(c.prepare("DELETE FROM " + q + " WHERE " + *rowid + " BETWEEN ?1 AND ?2"));
            } catch (const db::DbError&) {
                // A table without row ids.
                scan.reset();
                t.byRowid.reset();
            }
        }
        if (scan) {
            long long lastPlot = 0, lastRowid = 0;
            std::vector<std::pair<long long, long long>>* open = nullptr;
            while (scan->step()) {
                const long long rowid = sqlite3_column_int64(scan->handle(), 0);
                const long long plot = sqlite3_column_int64(scan->handle(), 1);
                if (open && plot == lastPlot && rowid == lastRowid + 1) {
                    open->back().second = rowid;
                } else {
                    open = &t.runs[plot];
                    open->emplace_back(rowid, rowid);
                }
                lastPlot = plot;
                lastRowid = rowid;
            }
        } else {
            t.byPlot.emplace(c.prepare("DELETE FROM " + q + " WHERE fl_id = ?1"));
            for (auto rows = c.query("SELECT DISTINCT fl_id FROM " + q + " WHERE " + selected); !rows.eof();
                 rows.next())
                t.runs[rows.field(0).toInt()];
        }
        if (!t.runs.empty()) tables_.push_back(std::move(t));
    }
}

void OldResults::removeFrom(Table& t, long long plot)
{
    const auto it = t.runs.find(plot);
    if (it == t.runs.end()) return;
    if (t.byPlot) {
        t.byPlot->bind(1, plot).execute();
    } else {
        for (const auto& [first, last] : it->second) t.byRowid->bind(1, first).bind(2, last).execute();
    }
    t.runs.erase(it);
}

void OldResults::remove(long long plot)
{
    for (Table& t : tables_) removeFrom(t, plot);
}

void OldResults::removeRest()
{
    for (Table& t : tables_)
        while (!t.runs.empty()) removeFrom(t, t.runs.begin()->first);
}

std::optional<std::pair<long long, long long>> OldResults::singleRun(const std::string& table, long long plot) const
{
    for (const Table& t : tables_) {
        if (t.name != table || t.byPlot) continue;
        const auto it = t.runs.find(plot);
        if (it != t.runs.end() && it->second.size() == 1) return it->second.front();
    }
    return std::nullopt;
}

void OldResults::forget(const std::string& table, long long plot)
{
    for (Table& t : tables_)
        if (t.name == table) t.runs.erase(plot);
}

bool OldResults::holds(long long plot) const
{
    return std::any_of(tables_.begin(), tables_.end(), [plot](const Table& t) { return t.runs.count(plot) > 0; });
}

} // namespace vt::engine
