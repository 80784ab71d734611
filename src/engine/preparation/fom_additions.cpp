#include "engine/preparation/fom_additions.h"

#include "engine/preparation/plot_selection.h"
#include "engine/preparation/prep_context.h"

#include "db/connection.h"
#include "db/fast_secure_delete.h"
#include "db/db_error.h"

#include <string>
#include <vector>

namespace vt::engine {

namespace {

// Up to this many substances the marker is a CASE over them; beyond it the per-row search
// of the substance table is cheaper than walking a long list of alternatives.
constexpr long long kMarkerListLimit = 64;

// A substance that can match an addition: its rowid and, when every item_ix of the list
// is an integer, its item_ix written out.
struct MarkerRow {
    long long row;
    std::string item;
};

// The substances that can match an addition, in table order, when every item_ix is there
// once and the list is short; empty otherwise.
std::vector<MarkerRow> marker_rows(db::Connection& db)
{
    std::vector<MarkerRow> rows;
    try {
        const auto counts = db.query("SELECT COUNT(*), COUNT(DISTINCT item_ix), COUNT(CASE typeof(item_ix) WHEN 'integer'"
                                     " THEN 1 END) FROM gldopspa WHERE item_ix IS NOT NULL");
        const long long n = counts.field(0).toInt();
        if (n > kMarkerListLimit || n != counts.field(1).toInt()) return rows;
        const bool integers = n == counts.field(2).toInt();
        for (auto row = db.query("SELECT rowid, item_ix FROM gldopspa WHERE item_ix IS NOT NULL ORDER BY rowid"); !row.eof();
             row.next())
            rows.push_back({row.field(0).toInt(), integers ? std::to_string(row.field(1).toInt()) : std::string()});
    } catch (const db::DbError&) {
        rows.clear();  // a table without rowids keeps the general form
    }
    return rows;
}

// The marker of the substance `source`.item_ix, 0 when gldopspa has no such substance.
// A few substances, each item_ix once: one comparison with each substance, whose item_ix
// and marker the engine reads once per statement instead of searching gldopspa twice for
// every addition. The comparisons are those of the search: both sides are gldopspa.item_ix
// values of the same column affinity, or integers that the column's integer affinity
// compares as they are; written out, an integer costs no subquery step per row.
std::string marker_expression(const std::vector<MarkerRow>& rows, const std::string& source)
{
    if (rows.empty()) {
        const std::string match = " FROM gldopspa WHERE gldopspa.item_ix = " + source + ".item_ix";
        return "CASE WHEN EXISTS (SELECT 1" + match + ") THEN (SELECT gldopspa.mkd" + match + " LIMIT 1) ELSE 0 END";
    }
    std::string sql = "CASE " + source + ".item_ix";
    for (const auto& [row, item] : rows) {
        const std::string r = std::to_string(row);
        sql += " WHEN " + (item.empty() ? "(SELECT item_ix FROM gldopspa WHERE rowid=" + r + ")" : item) +
               " THEN (SELECT mkd FROM gldopspa WHERE rowid=" + r + ")";
    }
    return sql + " ELSE 0 END";
}

// Whether the plan of `select` reads cultivation in table order as its outer loop and
// reaches every other table by a search, so that its rows come in cultivation's order.
bool cultivation_outer(db::Connection& db, const std::string& select)
{
    try {
        bool first = true;
        for (auto row = db.query("EXPLAIN QUERY PLAN " + select); !row.eof(); row.next()) {
            const std::string step = row.field(3).toString();
            if (first ? step != "SCAN cultivation" : step.rfind("SEARCH ", 0) != 0) return false;
            first = false;
        }
        return !first;
    } catch (const db::DbError&) {
        return false;
    }
}

// The condition that an event is one of a selected plot, for the listed form of the
// additions; empty when a plot is in site_state twice or a crop or substance is in its
// table twice (the joins then give an event several rows).
std::string listed_selection(db::Connection& db)
{
    try {
        if (db.scalar("SELECT (SELECT COUNT(FL_ID) = COUNT(DISTINCT FL_ID) FROM site_state WHERE status=1)"
                      " AND (SELECT COUNT(ITEM_IX) = COUNT(DISTINCT ITEM_IX) FROM gldpflan)"
                      " AND (SELECT COUNT(item_ix) = COUNT(DISTINCT item_ix) FROM gldopspa)")
                .toInt() != 1)
            return {};
    } catch (const db::DbError&) {
        return {};
    }
    return selected_plot_condition(db, "cultivation.FL_ID");
}

// The additions of one kind: the events with Macode `macode` of the selected plots with
// their substance, reached through gldpflan's column `crop_link` or, when it is empty,
// directly. `columns` gives the output from the tables named by its two arguments (the
// substance's and the crop's).
class Additions {
public:
    using Columns = std::string (*)(const std::string& substance, const std::string& crop, const std::string& part);
    Additions(Columns columns, std::string part, std::string crop_link, int macode)
        : columns_(columns), part_(std::move(part)), link_(std::move(crop_link)), macode_(std::to_string(macode))
    {
    }

    // site_state, gldpflan and gldopspa joined with each event.
    std::string joined() const
    {
        const std::string crop = link_.empty() ? ""
                                               : " INNER JOIN gldpflan ON cultivation.Item_IX = gldpflan.ITEM_IX"
                                                 " INNER JOIN gldopspa ON gldpflan." + link_ + " = gldopspa.item_ix";
        const std::string substance = link_.empty() ? " INNER JOIN gldopspa ON cultivation.Item_IX = gldopspa.item_ix" : "";
        return "SELECT " + columns_("gldopspa", "gldpflan", part_) +
               " FROM (cultivation INNER JOIN site_state ON cultivation.FL_ID = site_state.FL_ID)" + crop + substance +
               " WHERE site_state.status=1 AND cultivation.Macode=" + macode_;
    }

    // The same rows when keys are unique and joined() reads the events in table order:
    // the crops joined with their substances once (a few rows, searched through an
    // automatic index) and the test `selected` of the plot give each event its row at one
    // search instead of three index and three table seeks.
    std::string listed(const std::string& selected) const
    {
        const std::string from = link_.empty() ? "gldopspa.item_ix AS link FROM gldopspa"
                                               : "gldpflan.ITEM_IX AS link, gldpflan.HI AS HI FROM gldpflan"
                                                 " INNER JOIN gldopspa ON gldpflan." + link_ + " = gldopspa.item_ix";
        return "WITH substance AS MATERIALIZED (SELECT gldopspa.NAME AS NAME, gldopspa.K AS K, gldopspa.ETA AS ETA,"
               " gldopspa.CNR AS CNR, gldopspa.CNR_alt AS CNR_alt, gldopspa.item_ix AS item_ix,"
               " gldopspa.TS_GEHALT AS TS_GEHALT, gldopspa.C_GEH_TS AS C_GEH_TS, " + from + ")"
               " SELECT " + columns_("substance", "substance", part_) +
               " FROM cultivation NOT INDEXED CROSS JOIN substance ON cultivation.Item_IX = substance.link"
               " WHERE cultivation.Macode=" + macode_ + " AND " + selected;
    }

    // listed() with the test `selected` (from listed_selection()) when it is given and
    // joined() reads the events in table order, joined() otherwise.
    std::string select(db::Connection& db, const std::string& selected) const
    {
        const std::string plain = joined();
        return !selected.empty() && cultivation_outer(db, plain) ? listed(selected) : plain;
    }

private:
    Columns columns_;
    std::string part_, link_, macode_;
};

std::string by_product_columns(const std::string& s, const std::string& crop, const std::string& part)
{
    return "cultivation.FL_ID AS FL_ID, " + part + " AS part, cultivation.[year] AS year_, " + s + ".NAME AS name_,"
           " cultivation.Quantity*100*" + crop + ".HI*" + s + ".TS_GEHALT*" + s + ".C_GEH_TS AS C_kop, " + s + ".K AS K, " +
           s + ".ETA AS ETA, " + s + ".CNR AS CNR, " + s + ".CNR_alt AS CNR_alt, " + s + ".item_ix AS item_ix";
}

std::string ploughed_columns(const std::string& s, const std::string&, const std::string& part)
{
    // Without area shares the whole plot is ploughed up.
    const std::string share = part == "100" ? "100" : "cultivation.part";
    return "cultivation.FL_ID, " + part + ", cultivation.[year], " + s + ".NAME, cultivation.Quantity*" + share + "*" + s +
           ".TS_GEHALT*" + s + ".C_GEH_TS, " + s + ".K, " + s + ".ETA, " + s + ".CNR, " + s + ".CNR_alt, " + s + ".item_ix";
}

std::string amendment_columns(const std::string& s, const std::string&, const std::string& part)
{
    return "cultivation.FL_ID AS FL_ID, " + part + " AS part, cultivation.[year] AS year_,"
           " cultivation.Sim_Quantity AS Sim_Quantity, " + s + ".NAME AS name_, " + s + ".K AS K, " + s + ".ETA AS ETA, " + s +
           ".CNR AS CNR, " + s + ".CNR_alt AS CNR_alt, " + s + ".item_ix AS item_ix";
}

} // namespace

void build_fom_additions(const PrepContext& p)
{
    const db::FastSecureDelete freedPagesReleased(p.db);
    const std::string part = p.regional ? "cultivation.part" : "100";
    const std::string selected = listed_selection(p.db);

    // By-products left on the field; the whole carbon enters the pools.
    const long long byProducts = p.rebuildLogged(
        "crop_ap :", "_koppel_prdkt", Additions(by_product_columns, part, "kop_ix", 9).select(p.db, selected));
    // Material of ploughed-up grassland.
    const long long ploughed =
        p.runLogged("plough up :", "INSERT INTO _koppel_prdkt (FL_ID, part, year_, name_, C_kop, K, ETA, CNR, CNR_alt, item_ix) " +
                                       Additions(ploughed_columns, part, "grd_ix", 0).select(p.db, selected));
    // Organic amendments with the carbon computed into Sim_Quantity.
    p.rebuildLogged("crop_oa :", "_org_dnger", Additions(amendment_columns, part, "", 3).select(p.db, selected));

    // Every addition carries its substance's marker; a database without gldopspa.mkd leaves
    // every mark at 0. The marker is taken as the rows are copied: updating the whole
    // table afterwards rewrote every row of it.
    const bool withMarks = p.db.columnExists("gldopspa", "mkd");
    const std::vector<MarkerRow> substances = withMarks ? marker_rows(p.db) : std::vector<MarkerRow>{};
    const auto mark = [&](const std::string& source) {
        return withMarks ? marker_expression(substances, source) : std::string("0");
    };
    const std::string columns = "(FL_ID, year_, NAME_, COPS, ctype, part, K, ETA, CNR, cnr_alt, item_ix, mkd)";
    // opstab takes every by-product row as it is, so its count is theirs.
    p.drop("opstab");
    p.run("CREATE TABLE opstab AS SELECT FL_ID, year_, name_ AS NAME_, C_kop AS COPS, 'KP' AS ctype, part, K, ETA, CNR,"
          " CNR_alt AS cnr_alt, item_ix, " + mark("_koppel_prdkt") + " AS mkd FROM _koppel_prdkt");
    const long long kp = byProducts + ploughed;
    p.log("cops KPrecs:" + std::to_string(kp));
    p.checkStop();
    const long long oa = p.runLogged("cops OArecs:", "INSERT INTO opstab " + columns +
                                                         " SELECT FL_ID, year_, name_, Sim_Quantity, 'OA', part, K, ETA,"
                                                         " CNR, CNR_alt, item_ix, " + mark("_org_dnger") + " FROM _org_dnger");
    const long long er = p.runLogged("cops ERrecs:", "INSERT INTO opstab " + columns +
                                                         " SELECT FL_ID, year_, name_, c_ewr, 'ER', part, K, ETA, CNR,"
                                                         " CNR_alt, item_ix, " + mark("_cropping_dt") + " FROM _cropping_dt");
    // Each addition came from a join on gldopspa.item_ix, so its item_ix is a substance's:
    // the marker reaches every row, and the count of marked rows is the count of all rows.
    p.log("mark updated:" + std::to_string(withMarks ? kp + oa + er : 0));
    p.guarded("CREATE INDEX flid_ix ON opstab (FL_ID, year_)");
    p.log("opstab index created:0");
    p.checkStop();
}

} // namespace vt::engine
