#include "engine/balance/plot_rows_source.h"

#include "engine/preparation/stored_order.h"

#include <sqlite3.h>

#include <new>
#include <string>

namespace vt::engine {

namespace {

constexpr const char* kPointerType = "veltrano_plot_output";
constexpr int kDataColumns = kNresultColumns;  // the widest of the three kinds
constexpr int kKindColumn = kDataColumns;
constexpr int kPlotColumn = kDataColumns + 1;

struct Cursor {
    sqlite3_vtab_cursor base{};
    const PlotOutput* plot = nullptr;
    PlotRowKind kind = PlotRowKind::Nresult;
    std::size_t year = 0;
    std::size_t end = 0;  // one past the last year read: all, or the one asked for by row id

    bool eof() const { return !plot || year >= end; }
    // Leaves out the years without a soil organic carbon value when sim_result rows are read.
    void settle()
    {
        if (kind != PlotRowKind::SimResult) return;
        while (!eof() && !plot->years[year].sim_value) ++year;
    }
};

int connect(sqlite3* db, void*, int, const char* const*, sqlite3_vtab** out, char**)
{
    std::string decl = "CREATE TABLE x(";
    for (int i = 0; i < kDataColumns; ++i) decl += "c" + std::to_string(i) + ", ";
    decl += "kind HIDDEN, plot HIDDEN)";
    const int rc = sqlite3_declare_vtab(db, decl.c_str());
    if (rc != SQLITE_OK) return rc;
    auto* vtab = static_cast<sqlite3_vtab*>(sqlite3_malloc(sizeof(sqlite3_vtab)));
    if (!vtab) return SQLITE_NOMEM;
    *vtab = sqlite3_vtab{};
    *out = vtab;
    return SQLITE_OK;
}

int disconnect(sqlite3_vtab* vtab)
{
    sqlite3_free(vtab);
    return SQLITE_OK;
}

// Only a plan with both arguments given is usable.
int best_index(sqlite3_vtab*, sqlite3_index_info* info)
{
    int kind = -1, plot = -1;
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& k = info->aConstraint[i];
        if (k.op != SQLITE_INDEX_CONSTRAINT_EQ) continue;
        if (k.iColumn == kKindColumn) {
            if (!k.usable) return SQLITE_CONSTRAINT;
            kind = i;
        } else if (k.iColumn == kPlotColumn) {
            if (!k.usable) return SQLITE_CONSTRAINT;
            plot = i;
        }
    }
    if (kind < 0 || plot < 0) return SQLITE_CONSTRAINT;
    info->aConstraintUsage[kind].argvIndex = 1;
    info->aConstraintUsage[kind].omit = 1;
    info->aConstraintUsage[plot].argvIndex = 2;
    info->aConstraintUsage[plot].omit = 1;
    info->estimatedCost = 50;
    info->estimatedRows = 50;
    // A row sought by its row id (the year's place in the plot), as an overwrite does.
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& k = info->aConstraint[i];
        if (k.op != SQLITE_INDEX_CONSTRAINT_EQ || k.iColumn != -1 || !k.usable) continue;
        info->aConstraintUsage[i].argvIndex = 3;
        info->aConstraintUsage[i].omit = 1;
        info->idxNum = 1;
        info->estimatedCost = 1;
        info->estimatedRows = 1;
        info->idxFlags = SQLITE_INDEX_SCAN_UNIQUE;
        break;
    }
    return SQLITE_OK;
}

int open_cursor(sqlite3_vtab*, sqlite3_vtab_cursor** out)
{
    auto* cur = new (std::nothrow) Cursor;
    if (!cur) return SQLITE_NOMEM;
    *out = &cur->base;
    return SQLITE_OK;
}

int close_cursor(sqlite3_vtab_cursor* cur)
{
    delete reinterpret_cast<Cursor*>(cur);
    return SQLITE_OK;
}

int filter(sqlite3_vtab_cursor* base, int, const char*, int argc, sqlite3_value** argv)
{
    auto* cur = reinterpret_cast<Cursor*>(base);
    cur->plot = nullptr;
    cur->year = 0;
    if (argc < 2) return SQLITE_OK;
    const int kind = sqlite3_value_int(argv[0]);
    if (kind < 0 || kind > 2) return SQLITE_OK;
    cur->kind = static_cast<PlotRowKind>(kind);
    cur->plot = static_cast<const PlotOutput*>(sqlite3_value_pointer(argv[1], kPointerType));
    if (!cur->plot) return SQLITE_OK;
    cur->end = cur->plot->years.size();
    if (argc >= 3) {
        const sqlite3_int64 wanted = sqlite3_value_int64(argv[2]);
        if (sqlite3_value_type(argv[2]) != SQLITE_INTEGER || wanted < 0 ||
            static_cast<std::size_t>(wanted) >= cur->end) {
            cur->end = 0;
            return SQLITE_OK;
        }
        cur->year = static_cast<std::size_t>(wanted);
        cur->end = cur->year + 1;
    }
    cur->settle();
    return SQLITE_OK;
}

int next(sqlite3_vtab_cursor* base)
{
    auto* cur = reinterpret_cast<Cursor*>(base);
    ++cur->year;
    cur->settle();
    return SQLITE_OK;
}

int eof(sqlite3_vtab_cursor* base) { return reinterpret_cast<Cursor*>(base)->eof() ? 1 : 0; }

// The value of column `col` as the per-row INSERT binds it.
int column(sqlite3_vtab_cursor* base, sqlite3_context* ctx, int col)
{
    const auto* cur = reinterpret_cast<const Cursor*>(base);
    const YearResult& y = cur->plot->years[cur->year];
    switch (cur->kind) {
    case PlotRowKind::Nresult:
        if (col >= kNresultColumns) break;
        if (nresult_integer_column(col))
            sqlite3_result_int64(ctx, nresult_integer(y, col));
        else
            sqlite3_result_double(ctx, y.nresult[static_cast<std::size_t>(col)]);
        return SQLITE_OK;
    case PlotRowKind::Zbv:
        if (col >= kZbvColumns) break;
        if (zbv_integer_column(col))
            sqlite3_result_int64(ctx, zbv_integer(y, col));
        else
            sqlite3_result_double(ctx, y.zbv[static_cast<std::size_t>(col)]);
        return SQLITE_OK;
    case PlotRowKind::SimResult:
        switch (col) {
        case 0: sqlite3_result_int64(ctx, y.fl_id); return SQLITE_OK;
        case 1: sqlite3_result_int64(ctx, y.z_jahr); return SQLITE_OK;
        case 2: sqlite3_result_int64(ctx, y.year_num); return SQLITE_OK;
        case 3: sqlite3_result_double(ctx, *y.sim_value); return SQLITE_OK;
        default: break;
        }
        break;
    }
    sqlite3_result_null(ctx);
    return SQLITE_OK;
}

int rowid(sqlite3_vtab_cursor* base, sqlite3_int64* out)
{
    *out = static_cast<sqlite3_int64>(reinterpret_cast<Cursor*>(base)->year);
    return SQLITE_OK;
}

sqlite3_module make_module()
{
    sqlite3_module m{};
    m.iVersion = 0;
    m.xCreate = nullptr;  // eponymous only: nothing enters the schema
    m.xConnect = connect;
    m.xBestIndex = best_index;
    m.xDisconnect = disconnect;
    m.xDestroy = disconnect;
    m.xOpen = open_cursor;
    m.xClose = close_cursor;
    m.xFilter = filter;
    m.xNext = next;
    m.xEof = eof;
    m.xColumn = column;
    m.xRowid = rowid;
    return m;
}

const sqlite3_module kModule = make_module();

} // namespace

bool register_plot_rows(sqlite3* db)
{
    // A module registered before stays: replacing it would pull it from under statements
    // that read it.
    if (prepares(db, std::string("SELECT c0 FROM ") + kPlotRowsFunction + "(0, NULL)")) return true;
    return sqlite3_create_module(db, kPlotRowsFunction, &kModule, nullptr) == SQLITE_OK;
}

int bind_plot_rows(sqlite3_stmt* stmt, int index, const PlotOutput& plot)
{
    return sqlite3_bind_pointer(stmt, index, const_cast<PlotOutput*>(&plot), kPointerType, nullptr);
}

} // namespace vt::engine
