#include "workbench/transfer_plots.h"

#include "base/text.h"
#include "db/connection.h"
#include "db/savepoint.h"
#include "db/sql_quote.h"
#include "workbench/row_copy.h"

#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace vt::workbench {

namespace {

constexpr const char* kAlias = "vt_dst";

std::string column_list(const std::vector<std::string>& columns, const std::string& prefix = {})
{
    std::string out;
    for (const auto& c : columns) out += (out.empty() ? "" : ", ") + prefix + db::quote_ident(c);
    return out;
}

std::string dst(const std::string& table) { return std::string(kAlias) + "." + table; }

} // namespace

TransferError::TransferError(long long plot, const std::string& table, const std::string& message, bool alreadyThere)
    : std::runtime_error(table.empty() ? message : "plot " + std::to_string(plot) + ", table " + table + ": " + message),
      plot_(plot),
      table_(table),
      alreadyThere_(alreadyThere)
{
}

std::vector<TransferPlotLine> transfer_source_plots(db::Connection& c)
{
    std::vector<TransferPlotLine> out;
    for (auto cur = c.query("SELECT FL_ID, Location, site_description FROM main.field_description "
                            "ORDER BY Location, site_description, FL_ID");
         !cur.eof(); cur.next())
        out.push_back({cur.getInt("FL_ID"), " " + cur.field(0).toString() + ": " + cur.getString("Location") + "-" +
                                                cur.getString("site_description")});
    return out;
}

std::vector<std::string> KeyCheckLists::messageLines() const
{
    std::vector<std::string> lines{"Trefferliste Ops:"};
    lines.insert(lines.end(), amendmentHits.begin(), amendmentHits.end());
    lines.push_back("Fehlerliste Ops:");
    for (long long id : amendmentsMissing) lines.push_back(std::to_string(id));
    lines.push_back("Trefferliste crops:");
    lines.insert(lines.end(), cropHits.begin(), cropHits.end());
    lines.push_back("Fehlerliste Crops:");
    for (long long id : cropsMissing) lines.push_back(std::to_string(id));
    return lines;
}

DataTransfer::DataTransfer(db::Connection& source) : c_(source) {}

DataTransfer::~DataTransfer() { disconnect(); }

void DataTransfer::disconnect()
{
    if (destination_.empty()) return;
    c_.executeIgnoringErrors(std::string("DETACH DATABASE ") + kAlias);
    destination_.clear();
}

void DataTransfer::selectDestination(const std::string& path)
{
    disconnect();
    if (!fs::is_regular_file(path)) throw std::runtime_error("the destination " + path + " does not exist");
    if (c_.path() != ":memory:" && fs::exists(c_.path()) && fs::equivalent(path, c_.path()))
        throw std::runtime_error("the destination is the open database");
    const auto tableCount = [](const std::string& file) {
        db::Connection d(file, db::Connection::Mode::ReadOnly);
        return d.scalar("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table'").toInt();
    };
    const long long tables = tableCount(path);
    const std::string backup = backupPath(path);
    std::error_code ec;
    fs::copy_file(path, backup, fs::copy_options::overwrite_existing, ec);
    if (ec) throw std::runtime_error("the backup " + backup + " could not be written: " + ec.message());
    long long backupTables = -1;
    try {
        backupTables = tableCount(backup);
    } catch (const std::exception& e) {
        throw std::runtime_error("the backup " + backup + " does not open: " + e.what());
    }
    if (backupTables != tables)
        throw std::runtime_error("the backup " + backup + " holds " + std::to_string(backupTables) + " tables, the file " +
                                 std::to_string(tables));
    c_.execute(std::string("ATTACH DATABASE ? AS ") + kAlias, {path});
    destination_ = path;
}

eval::Table DataTransfer::destinationPlots()
{
    if (!connected()) return {};
    auto cur = c_.query("SELECT FL_ID AS fl_id, Location AS location, site_description FROM " + dst("field_description") +
                        " ORDER BY FL_ID");
    return eval::read_table(cur);
}

std::vector<std::string> DataTransfer::commonColumns(const std::string& table, const std::vector<std::string>& wanted)
{
    auto names = [&](const char* schema) {
        std::set<std::string> out;
        for (auto cur = c_.query("SELECT name FROM pragma_table_info(?, ?)", {table, schema}); !cur.eof(); cur.next())
            out.insert(base::to_lower(cur.field(0).toString()));
        return out;
    };
    const auto src = names("main");
    const auto to = names(kAlias);
    if (src.empty()) throw db::DbError("no such table: " + table);
    if (to.empty()) throw db::DbError("no such table in the destination: " + table);
    std::vector<std::string> out;
    for (const auto& w : wanted)
        if (src.count(base::to_lower(w)) && to.count(base::to_lower(w))) out.push_back(w);
    return out;
}

KeyCheckLists DataTransfer::keyCheck(long long plot)
{
    KeyCheckLists lists;
    auto byCrop = [](const char* column) {
        return std::string("SELECT p.") + column + " AS ix FROM main.cultivation c INNER JOIN main.gldpflan p ON "
               "c.Item_IX = p.ITEM_IX WHERE c.FL_ID = ?1 AND c.Macode IN (0, 2, 9)";
    };
    // Amendments: residues (ewr), by-products (kop) and green parts (GRD) of the plot's
    // crops, and its amendment rows (ops).
    const std::string amendments =
        "SELECT DISTINCT ix FROM (" + byCrop("ewr_ix") + " UNION ALL " + byCrop("kop_ix") + " UNION ALL " +
        byCrop("grd_ix") + " UNION ALL SELECT c.Item_IX FROM main.cultivation c WHERE c.FL_ID = ?1 AND c.Macode = 3)"
        " WHERE ix IS NOT NULL AND ix <> 0";  // 0: the crop has no such part
    const std::string crops = "SELECT DISTINCT c.Item_IX AS ix FROM main.cultivation c WHERE c.FL_ID = ?1 AND "
                              "c.Macode IN (0, 2, 9) AND c.Item_IX IS NOT NULL AND c.Item_IX <> 0";
    auto check = [&](const std::string& items, const std::string& table, const char* key, std::vector<std::string>& hits,
                     std::vector<long long>& missing) {
        const std::string sql = "SELECT u.ix, s.NAME AS src, d." + std::string(key) + " AS found, d.NAME AS dst FROM (" +
                                items + ") AS u LEFT JOIN main." + table + " s ON s." + key + " = u.ix LEFT JOIN " +
                                dst(table) + " d ON d." + key + " = u.ix GROUP BY u.ix ORDER BY u.ix";
        for (auto cur = c_.query(sql, {plot}); !cur.eof(); cur.next()) {
            if (cur.isNull("found")) missing.push_back(cur.field(0).toInt());
            else
                hits.push_back(cur.field(0).toString() + " ==>src: " + cur.getString("src") + " ==>dst: " +
                               cur.getString("dst"));
        }
    };
    check(amendments, "gldopspa", "item_ix", lists.amendmentHits, lists.amendmentsMissing);
    check(crops, "gldpflan", "ITEM_IX", lists.cropHits, lists.cropsMissing);
    return lists;
}

int DataTransfer::copyParameterRecord(Record kind, long long itemIx)
{
    if (!connected()) throw std::runtime_error("no destination selected");
    const std::string table = kind == Record::Amendment ? "gldopspa" : "gldpflan";
    std::vector<std::string> all;
    for (auto cur = c_.query("SELECT name FROM pragma_table_info(?, 'main')", {table}); !cur.eof(); cur.next())
        all.push_back(cur.field(0).toString());
    const auto cols = column_list(commonColumns(table, all));
    return c_.execute("INSERT INTO " + dst(table) + " (" + cols + ") SELECT " + cols + " FROM main." + table +
                          " WHERE item_ix = ? AND item_ix NOT IN (SELECT item_ix FROM " + dst(table) + ")",
                      {itemIx});
}

namespace {

std::string display(const db::Value& v) { return v.isNull() ? "NULL" : v.toString(); }

} // namespace

// A record the plot refers to (soil, station, experiment): reused when the destination
// holds it with the same content, under its own id or another; copied under its own id
// when that is free, else under a new one. Returns the id the plot's copy refers to.
db::Value DataTransfer::placeRecord(PlotTransfer& r, const RecordKind& k, const db::Value& id)
{
    const std::string table = k.table;
    if (id.isNull()) return id;
    auto sourceRow = c_.query("SELECT " + db::quote_ident(k.label) + " FROM main." + table + " WHERE " +
                                  db::quote_ident(k.key) + " = ?",
                              {id});
    if (sourceRow.eof()) {
        r.notes.push_back(k.noun + " " + display(id) + " is not in the open database: the plot refers to it as it is");
        return id;
    }
    const std::string name = "\"" + sourceRow.field(0).toString() + "\"";
    const std::string what = k.noun + " " + display(id) + " " + name;
    auto same = [&](const db::Value& other) {
        if (!same_row_content(c_, "main", kAlias, table, k.key, id, other, k.ignored)) return false;
        for (const auto& [rows, key] : k.rowSets)
            if (!same_row_sets(c_, "main", kAlias, rows, key, id, other)) return false;
        return true;
    };
    bool taken = c_.scalar("SELECT COUNT(*) FROM " + dst(table) + " WHERE " + db::quote_ident(k.key) + " = ?", {id}).toInt() > 0;
    // Rows of the record without the record itself (weather of a station row that is
    // missing) take the id as well.
    for (const auto& [rows, key] : k.rowSets)
        taken = taken || c_.scalar("SELECT COUNT(*) FROM " + dst(rows) + " WHERE " + db::quote_ident(key) + " = ?", {id}).toInt() > 0;
    if (taken && same(id)) {
        r.notes.push_back(what + " is in the destination with the same content: reused");
        return id;
    }
    // The same content under another id.
    for (auto cur = c_.query("SELECT d." + db::quote_ident(k.key) + " FROM main." + table + " AS s, " + dst(table) +
                                 " AS d WHERE s." + db::quote_ident(k.key) + " = ? AND d." + db::quote_ident(k.key) +
                                 " IS NOT ?",
                             {id, id});
         !cur.eof(); cur.next()) {
        const db::Value other = cur.field(0);
        if (same(other)) {
            r.notes.push_back(what + " is in the destination with the same content as " + k.noun + " " + display(other) +
                              ": reused, the plot refers to " + k.noun + " " + display(other));
            return other;
        }
    }
    db::Value target = id;
    std::map<std::string, db::Value> overrides;
    if (taken || (k.extraTaken && k.extraTaken(id))) {
        if (k.newId) {
            target = k.newId();
        } else {
            // Above every id the destination uses for such a record or its rows.
            std::string sql = "SELECT COALESCE(MAX(m), 0) + 1 FROM (SELECT MAX(" + db::quote_ident(k.key) + ") AS m FROM " + dst(table);
            for (const auto& [rows, key] : k.rowSets) sql += " UNION ALL SELECT MAX(" + db::quote_ident(key) + ") FROM " + dst(rows);
            target = db::Value(c_.scalar(sql + ")").toInt());
        }
        r.notes.push_back(what + " copied as " + k.noun + " " + display(target) + " (the destination's " + k.noun + " " +
                          display(id) + " holds other content)");
    } else {
        r.notes.push_back(what + " copied");
    }
    overrides[base::to_lower(k.key)] = target;
    for (const auto& [col, value] : k.extraOverrides(target)) overrides[col] = value;
    r.rows.emplace_back(table, copy_rows_all_columns(c_, "main", kAlias, table, "WHERE " + db::quote_ident(k.key) + " = ?", {id}, overrides));
    for (const auto& [rows, key] : k.rowSets)
        r.rows.emplace_back(rows, copy_rows_all_columns(c_, "main", kAlias, rows, "WHERE " + db::quote_ident(key) + " = ?", {id},
                                                        {{base::to_lower(key), target}}));
    return target;
}

// The crop and amendment records the plot uses that the destination holds under their id
// with other content (the name aside, which follows the interface language): copied under
// a new id, the plot's copied management rows re-pointed. A crop whose residue, by-product
// or green part was so copied is copied too, pointing at the copies.
void DataTransfer::placeParameterRecords(PlotTransfer& r, long long plot)
{
    auto used = [&](const std::string& sql) {
        std::vector<long long> ids;
        for (auto cur = c_.query(sql, {plot}); !cur.eof(); cur.next()) ids.push_back(cur.field(0).toInt());
        return ids;
    };
    const std::string crops = "SELECT DISTINCT Item_IX FROM main.cultivation WHERE FL_ID = ? AND Macode IN (0, 2, 9) "
                              "AND Item_IX IS NOT NULL AND Item_IX <> 0";
    std::map<long long, long long> amendments, cropMap;
    // One record: its id in the destination.
    auto place = [&](const std::string& table, const std::string& key, const char* noun, long long id,
                     const std::map<std::string, db::Value>& overrides) {
        auto src = c_.query("SELECT NAME FROM main." + table + " WHERE " + key + " = ?", {id});
        if (src.eof()) return id;
        const std::string name = src.field(0).toString();
        const bool present = c_.scalar("SELECT COUNT(*) FROM " + dst(table) + " WHERE " + key + " = ?", {id}).toInt() > 0;
        if (!present && overrides.empty()) return id;  // missing: the key check's business
        if (present && overrides.empty() && same_row_content(c_, "main", kAlias, table, key, id, id, {base::to_lower(key), "name"}))
            return id;
        const std::string what = std::string(noun) + " " + std::to_string(id) + " \"" + name + "\"";
        // The same content under another id (a copy made for an earlier plot).
        const db::Value same = find_same_row(c_, "main", kAlias, table, key, id, {base::to_lower(key), "name"}, overrides);
        if (!same.isNull()) {
            r.notes.push_back(what + " is in the destination as " + noun + " " + same.toString() + ": reused");
            return static_cast<long long>(same.toInt());
        }
        const long long target = c_.scalar("SELECT COALESCE(MAX(" + key + "), 0) + 1 FROM " + dst(table)).toInt();
        auto all = overrides;
        all[base::to_lower(key)] = target;
        r.rows.emplace_back(table, copy_rows_all_columns(c_, "main", kAlias, table, "WHERE " + key + " = ?", {id}, all));
        r.notes.push_back(what + " copied as " + noun + " " + std::to_string(target) +
                          (overrides.empty() ? " (the destination's " + std::string(noun) + " " + std::to_string(id) +
                                                   " holds other content)"
                                             : " (its residue, by-product or green part was copied under a new id)"));
        return target;
    };
    std::vector<long long> amendmentIds = used("SELECT DISTINCT Item_IX FROM main.cultivation WHERE FL_ID = ? AND Macode = 3 "
                                               "AND Item_IX IS NOT NULL AND Item_IX <> 0");
    for (const char* part : {"ewr_ix", "kop_ix", "grd_ix"})
        for (long long id : used("SELECT DISTINCT p." + std::string(part) + " FROM main.gldpflan p WHERE p.ITEM_IX IN (" + crops +
                                 ") AND p." + part + " IS NOT NULL AND p." + part + " <> 0"))
            amendmentIds.push_back(id);
    for (long long id : amendmentIds)
        if (!amendments.count(id)) amendments[id] = place("gldopspa", "item_ix", "amendment", id, {});
    for (long long id : used(crops)) {
        std::map<std::string, db::Value> refs;
        auto row = c_.query("SELECT ewr_ix, kop_ix, grd_ix FROM main.gldpflan WHERE ITEM_IX = ?", {id});
        if (!row.eof())
            for (int k = 0; k < 3; ++k) {
                const db::Value v = row.field(k);
                if (v.isNull()) continue;
                auto m = amendments.find(v.toInt());
                if (m != amendments.end() && m->second != m->first) refs[base::to_lower(row.fieldName(k))] = m->second;
            }
        cropMap[id] = place("gldpflan", "ITEM_IX", "crop", id, refs);
    }
    auto repoint = [&](const std::map<long long, long long>& map, const char* macodes) {
        for (const auto& [from, to] : map)
            if (from != to)
                c_.execute("UPDATE " + dst("cultivation") + " SET Item_IX = ? WHERE FL_ID = ? AND Item_IX = ? AND Macode IN (" +
                               macodes + ")",
                           {to, plot, from});
    };
    repoint(amendments, "3");
    repoint(cropMap, "0, 2, 9");
}

PlotTransfer DataTransfer::copyPlot(long long plot)
{
    PlotTransfer r;
    r.plot = plot;
    auto source = c_.query("SELECT versuch_code, soil_ID, climate_ID FROM main.field_description WHERE FL_ID = ?", {plot});
    if (source.eof()) throw TransferError(plot, "", "plot " + std::to_string(plot) + " is not in the open database");
    const db::Value code = source.field("versuch_code");
    const db::Value soil = source.field("soil_ID");
    const db::Value station = source.field("climate_ID");
    const std::string current = "field_description";
    try {
        if (c_.scalar("SELECT COUNT(*) FROM " + dst("field_description") + " WHERE FL_ID = ?", {plot}).toInt() > 0)
            throw TransferError(plot, "", "plot " + std::to_string(plot) +
                                              " is in the destination already (the same FL_ID); nothing of it was copied",
                                true);
        db::Savepoint sp(c_, "vt_transfer_plot");

        // The experiment: matched by its content (location, origin), its code and id kept
        // when free.
        RecordKind experiment{"experiments", "vcode", "herkunft", "experiment", {"exp_id", "vcode"}};
        experiment.extraTaken = [&](const db::Value& vcode) {
            const auto expId = c_.scalar("SELECT exp_id FROM main.experiments WHERE vcode = ?", {vcode});
            return c_.scalar("SELECT COUNT(*) FROM " + dst("experiments") + " WHERE exp_id = ?", {expId}).toInt() > 0;
        };
        experiment.newId = [&]() {
            const long long next = c_.scalar("SELECT COALESCE(MAX(exp_id), 0) + 1 FROM " + dst("experiments")).toInt();
            long long id = next;
            while (c_.scalar("SELECT COUNT(*) FROM " + dst("experiments") + " WHERE vcode = ?", {std::to_string(id)}).toInt() > 0) ++id;
            return db::Value(std::to_string(id));
        };
        experiment.extraOverrides = [&](const db::Value& vcode) {
            std::map<std::string, db::Value> o;
            if (vcode.toString() != code.toString()) o["exp_id"] = db::Value(static_cast<long long>(std::stoll(vcode.toString())));
            return o;
        };
        const db::Value expCode = placeRecord(r, experiment, code);

        const db::Value soilId = placeRecord(r, {"soilproperties", "soil_ID", "profile", "soil", {"soil_id"}}, soil);

        RecordKind stationKind{"climate_station", "climate_ID", "station", "station", {"climate_id"}};
        stationKind.rowSets = {{"climate_data", "climate_ID"}};
        if (c_.scalar("SELECT COUNT(*) FROM sqlite_master WHERE name = 'reg_ndeposit'").toInt() > 0 &&
            c_.scalar("SELECT COUNT(*) FROM " + std::string(kAlias) + ".sqlite_master WHERE name = 'reg_ndeposit'").toInt() > 0)
            stationKind.rowSets.push_back({"reg_ndeposit", "climate_id"});
        const db::Value stationId = placeRecord(r, stationKind, station);

        // References of the experiment, under the experiment's code in the destination.
        r.rows.emplace_back("ref2vcode",
                            c_.execute("INSERT INTO " + dst("ref2vcode") + " (lit_id, versuchs_code) SELECT r.lit_id, ?1 FROM "
                                       "main.ref2vcode AS r WHERE r.versuchs_code = ?2 AND NOT EXISTS (SELECT 1 FROM " +
                                           dst("ref2vcode") + " AS d WHERE d.lit_id = r.lit_id AND d.versuchs_code = ?1)",
                                       {expCode, code}));
        r.rows.emplace_back("referenzen",
                            copy_rows_all_columns(c_, "main", kAlias, "referenzen",
                                                  "WHERE lit_id IN (SELECT lit_id FROM main.ref2vcode WHERE versuchs_code = ?) "
                                                  "AND lit_id NOT IN (SELECT lit_id FROM " + dst("referenzen") +
                                                      " WHERE lit_id IS NOT NULL)",
                                                  {code}));
        const std::map<std::string, db::Value> keys = {{"versuch_code", expCode}, {"soil_id", soilId}, {"climate_id", stationId}};
        r.rows.emplace_back("measurements", copy_rows_all_columns(c_, "main", kAlias, "measurements", "WHERE FL_ID = ?", {plot}));
        r.rows.emplace_back("cultivation", copy_rows_all_columns(c_, "main", kAlias, "cultivation", "WHERE FL_ID = ?", {plot}));
        placeParameterRecords(r, plot);
        r.rows.emplace_back("field_description",
                            copy_rows_all_columns(c_, "main", kAlias, "field_description", "WHERE FL_ID = ?", {plot}, keys));
        r.rows.emplace_back("site_state", copy_rows_all_columns(c_, "main", kAlias, "site_state", "WHERE FL_ID = ?", {plot}));
        sp.release();
    } catch (const db::DbError& e) {
        throw TransferError(plot, "", std::string(e.what()) + "; nothing of plot " + std::to_string(plot) + " was copied");
    }
    r.copied = true;
    return r;
}

std::vector<PlotTransfer> DataTransfer::copy(const std::vector<long long>& plots, const Options& options)
{
    if (!connected()) throw std::runtime_error("no destination selected");
    std::vector<PlotTransfer> out;
    if (options.keyCheck && options.message)
        options.message(" the key tables for crops and organic amendments will be checked!!!");
    long long done = 0;
    for (long long plot : plots) {
        if (options.progress) options.progress(done, static_cast<long long>(plots.size()));
        if (options.keyCheck) {
            const KeyCheckLists lists = keyCheck(plot);
            // With `decide` the lists are its to show (a window shows them in two steps).
            if (options.message && !options.decide)
                for (const auto& line : lists.messageLines()) options.message(line);
            const bool go = options.decide ? options.decide(plot, lists) : lists.complete();
            if (!go) {
                out.push_back({plot, false, {}, {}});
                ++done;
                continue;
            }
        }
        out.push_back(copyPlot(plot));
        if (options.copied) options.copied(out.back());
        ++done;
    }
    if (options.progress) options.progress(done, static_cast<long long>(plots.size()));
    return out;
}

} // namespace vt::workbench
