#include "workbench/transfer_plots.h"

#include "base/text.h"
#include "db/connection.h"
#include "db/savepoint.h"
#include "db/sql_quote.h"

#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace vt::workbench {

namespace {

constexpr const char* kAlias = "vt_dst";

// The columns copied per table; other columns of the destination take their defaults.
const std::vector<std::string> kExperimentColumns = {"exp_id", "vcode", "location", "herkunft"};
const std::vector<std::string> kMeasurementColumns = {"fl_id", "m_ix", "day", "month", "year", "year_number", "meas_value"};
const std::vector<std::string> kCultivationColumns = {"fl_id",    "day",          "month",   "year",
                                                      "macode",   "item_ix",      "sim_quantity", "quantity"};
const std::vector<std::string> kPlotColumns = {"fl_id",    "herkunft",       "soil_id",       "climate_id", "location",
                                               "site_description", "mw_bat", "versuch_code", "classification",
                                               "comment",  "i_con",          "area",          "notill"};
const std::vector<std::string> kSoilColumns = {
    "soil_ID", "profile", "BA_RBS_CODE", "BA_RBS", "BA_KA4", "BA_LfL", "clay",  "silt",   "silt_org",
    "sand",    "sand_org", "FAT",        "FAT_org", "PWP",   "PWP_org", "PV",   "PV_org", "FC",
    "FC_org",  "PD",      "PD_org",      "BD",     "BD_org", "cif",    "cif_org"};
const std::vector<std::string> kStationColumns = {"climate_ID", "station"};
const std::vector<std::string> kClimateColumns = {"climate_ID", "day", "month", "year", "temperature", "precipitation"};
const std::vector<std::string> kReferenceColumns = {"lit_id",      "quelle", "autor", "jahr", "Titel", "produkt",
                                                    "herausgeber", "ort",    "band",  "seite", "ausgabe"};

std::string column_list(const std::vector<std::string>& columns, const std::string& prefix = {})
{
    std::string out;
    for (const auto& c : columns) out += (out.empty() ? "" : ", ") + prefix + db::quote_ident(c);
    return out;
}

std::string dst(const std::string& table) { return std::string(kAlias) + "." + table; }

} // namespace

TransferError::TransferError(long long plot, const std::string& table, const std::string& message)
    : std::runtime_error("plot " + std::to_string(plot) + (table.empty() ? "" : ", table " + table) + ": " + message),
      plot_(plot),
      table_(table)
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
        " WHERE ix IS NOT NULL";
    const std::string crops = "SELECT DISTINCT c.Item_IX AS ix FROM main.cultivation c WHERE c.FL_ID = ?1 AND "
                              "c.Macode IN (0, 2, 9) AND c.Item_IX IS NOT NULL";
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

void DataTransfer::copyParameterRecord(Record kind, long long itemIx)
{
    if (!connected()) throw std::runtime_error("no destination selected");
    const std::string table = kind == Record::Amendment ? "gldopspa" : "gldpflan";
    std::vector<std::string> all;
    for (auto cur = c_.query("SELECT name FROM pragma_table_info(?, 'main')", {table}); !cur.eof(); cur.next())
        all.push_back(cur.field(0).toString());
    const auto cols = column_list(commonColumns(table, all));
    c_.execute("INSERT INTO " + dst(table) + " (" + cols + ") SELECT " + cols + " FROM main." + table +
                   " WHERE item_ix = ? AND item_ix NOT IN (SELECT item_ix FROM " + dst(table) + ")",
               {itemIx});
}

int DataTransfer::moveRows(long long plot, const std::string& table, const std::vector<std::string>& columns,
                       const std::string& condition, const std::vector<db::Value>& values)
{
    try {
        const auto cols = column_list(commonColumns(table, columns));
        return c_.execute("INSERT INTO " + dst(table) + " (" + cols + ") SELECT " + cols + " FROM main." + table + " " +
                              condition,
                          values);
    } catch (const db::DbError& e) {
        throw TransferError(plot, table, e.what());
    }
}

PlotTransfer DataTransfer::copyPlot(long long plot)
{
    PlotTransfer r;
    r.plot = plot;
    auto source = c_.query("SELECT versuch_code, soil_ID, climate_ID FROM main.field_description WHERE FL_ID = ?", {plot});
    if (source.eof()) throw TransferError(plot, "field_description", "the plot is not in the open database");
    const db::Value code = source.field("versuch_code");
    const db::Value soil = source.field("soil_ID");
    const db::Value station = source.field("climate_ID");
    db::Savepoint sp(c_, "vt_transfer_plot");
    auto step = [&](const std::string& table, int rows) { r.rows.emplace_back(table, rows); };
    const auto lacks = [&](const std::string& table, const std::string& key, const db::Value& v) {
        try {
            return c_.scalar("SELECT COUNT(*) FROM " + dst(table) + " WHERE " + key + " = ?", {v}).toInt() == 0;
        } catch (const db::DbError& e) {
            throw TransferError(plot, table, e.what());
        }
    };
    if (!lacks("field_description", "FL_ID", plot))
        throw TransferError(plot, "field_description", "the plot id exists in the destination already");
    if (lacks("experiments", "vcode", code))
        step("experiments", moveRows(plot, "experiments", kExperimentColumns, "WHERE vcode = ?", {code}));
    step("ref2vcode", moveRows(plot, "ref2vcode", {"lit_id", "versuchs_code"},
                           "AS r WHERE versuchs_code = ? AND NOT EXISTS (SELECT 1 FROM " + dst("ref2vcode") +
                               " AS d WHERE d.lit_id = r.lit_id AND d.versuchs_code = r.versuchs_code)",
                           {code}));
    step("referenzen", moveRows(plot, "referenzen", kReferenceColumns,
                            "WHERE lit_id IN (SELECT lit_id FROM main.ref2vcode WHERE versuchs_code = ?) AND lit_id NOT IN "
                            "(SELECT lit_id FROM " + dst("referenzen") + " WHERE lit_id IS NOT NULL)",
                            {code}));
    step("measurements", moveRows(plot, "measurements", kMeasurementColumns, "WHERE FL_ID = ?", {plot}));
    step("cultivation", moveRows(plot, "cultivation", kCultivationColumns, "WHERE FL_ID = ?", {plot}));
    step("field_description", moveRows(plot, "field_description", kPlotColumns, "WHERE FL_ID = ?", {plot}));
    step("site_state", moveRows(plot, "site_state", {"fl_id"}, "WHERE FL_ID = ?", {plot}));
    if (lacks("soilproperties", "soil_ID", soil))
        step("soilproperties", moveRows(plot, "soilproperties", kSoilColumns, "WHERE soil_ID = ?", {soil}));
    if (lacks("climate_station", "climate_ID", station)) {
        step("climate_station", moveRows(plot, "climate_station", kStationColumns, "WHERE climate_ID = ?", {station}));
        step("climate_data", moveRows(plot, "climate_data", kClimateColumns, "WHERE climate_ID = ?", {station}));
    }
    sp.release();
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
            if (options.message)
                for (const auto& line : lists.messageLines()) options.message(line);
            const bool go = options.decide ? options.decide(plot, lists) : lists.complete();
            if (!go) {
                out.push_back({plot, false, {}});
                ++done;
                continue;
            }
        }
        out.push_back(copyPlot(plot));
        ++done;
    }
    if (options.progress) options.progress(done, static_cast<long long>(plots.size()));
    return out;
}

} // namespace vt::workbench
