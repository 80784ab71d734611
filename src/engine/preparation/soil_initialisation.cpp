#include "engine/preparation/soil_initialisation.h"

#include "db/connection.h"
#include "db/savepoint.h"
#include "engine/soil/carbon_rates.h"
#include "engine/soil/pedotransfer.h"
#include "engine/preparation/prep_context.h"
#include "engine/soil/soil_physics.h"
#include "engine/soil/soil_record.h"
#include "engine/soil/soil_texture_class.h"
#include "engine/soil/steady_state.h"
#include "base/text.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace vt::engine {

using base::to_lower;
using base::to_upper;
using base::trim;

namespace {



// One row of tmp_soil_prop, read before the walk so that writing back never disturbs
// the rows still to be read. Writes go to the copy at once and to the table in one
// statement per row (flush), with the last value written to each column.
class SoilRow {
public:
    SoilRow(db::Connection& c, const std::set<std::string>& columns, long long rowid,
            std::unordered_map<std::string, db::Value> values)
        : db_(c), columns_(columns), rowid_(rowid), values_(std::move(values))
    {
    }

    db::Value get(const std::string& name) const
    {
        const auto it = values_.find(to_lower(name));
        return it == values_.end() ? db::Value() : it->second;
    }
    double number(const std::string& name) const { return get(name).toDouble(); }
    std::string text(const std::string& name) const { return get(name).toString(); }

    // A value counts as given when it is present, not empty and marked as measured.
    double givenOrMissing(const std::string& name) const
    {
        const db::Value v = get(name);
        if (v.isNull() || (v.isText() && trim(v.toString()).empty())) return kMissing;
        if (!get(name + "_org").toBool()) return kMissing;
        return v.toDouble();
    }

    // Writes a derived value unless the row marks the stored one as given; false when
    // the table has no such column.
    bool write(const std::string& name, double value)
    {
        const std::string key = to_lower(name);
        if (!columns_.count(key)) return false;
        if (columns_.count(key + "_org") && get(key + "_org").toBool()) return true;
        bool pending = false;
        for (auto& w : pending_)
            if (to_lower(w.first) == key) {
                w.second = value;
                pending = true;
            }
        if (!pending) pending_.emplace_back(name, value);
        values_[key] = value;
        return true;
    }

    // Writes the row's derived values to the table, with statements prepared once per set
    // of columns (a walk over many plots writes the same few sets again and again).
    void flush(std::map<std::string, db::Statement>& statements)
    {
        if (pending_.empty()) return;
        std::string sql = "UPDATE tmp_soil_prop SET ";
        for (size_t i = 0; i < pending_.size(); ++i) sql += (i ? ", [" : "[") + pending_[i].first + "] = ?";
        sql += " WHERE rowid = ?";
        auto it = statements.find(sql);
        if (it == statements.end()) it = statements.emplace(sql, db_.prepare(sql)).first;
        int k = 1;
        for (const auto& w : pending_) it->second.bind(k++, w.second);
        it->second.bind(k, rowid_);
        it->second.execute();
        pending_.clear();
    }

    long long plot() const { return get("FL_ID").toInt(); }
    long long year() const { return get("year").toInt(); }

private:
    db::Connection& db_;
    const std::set<std::string>& columns_;
    long long rowid_;
    std::unordered_map<std::string, db::Value> values_;
    std::vector<std::pair<std::string, double>> pending_;
};

std::vector<SoilRow> read_rows(db::Connection& c, const std::set<std::string>& columns)
{
    std::vector<SoilRow> rows;
    for (auto cur = c.query("SELECT rowid AS soil_row_id_, * FROM tmp_soil_prop ORDER BY rowid"); !cur.eof(); cur.next()) {
        std::unordered_map<std::string, db::Value> values;
        for (int i = 1; i < cur.fieldCount(); ++i) values[to_lower(cur.fieldName(i))] = cur.field(i);
        rows.emplace_back(c, columns, cur.field(0).toInt(), std::move(values));
    }
    return rows;
}

std::string where(const SoilRow& row)
{
    return " (FL_ID " + std::to_string(row.plot()) + ", year " + std::to_string(row.year()) + ")";
}

// Divisors of the pore classes of the soil's class; the class 0 row when the class
// cannot be looked up, the defaults unless exactly one row answers.
PoreSizeParams pore_size_parameters(db::Connection& c, const db::Value& soilclass)
{
    PoreSizeParams pores;
    const auto lookup = [&](const db::Value& cls) {
        auto cur = c.query("SELECT * FROM pore_size_parm WHERE soilclass = ?", {cls});
        if (cur.eof() || cur.rowCount() != 1) return;
        pores.mi = cur.getDouble("mi");
        pores.me = cur.getDouble("me");
        pores.ma = cur.getDouble("ma");
    };
    try {
        if (soilclass.isNull()) throw db::DbError("soil class not given");
        lookup(soilclass);
    } catch (const db::DbError&) {
        try {
            lookup(db::Value(0));
        } catch (const db::DbError&) {
        }
    }
    return pores;
}

// Organic carbon content of the plot's stored state of year 0, or `fallback` (with the
// message of the state store) when there is not exactly one stored state.
double stored_state_carbon(const PrepContext& p, long long plot, double clay, double fallback)
{
    auto cur = p.db.query("SELECT c_am, c_sm, c_lts FROM som_state WHERE yr = 0 AND fl_id = ?", {plot});
    if (cur.eof() || cur.rowCount() != 1) {
        p.hooks.show(" initialisation error", " no proper initial conditions found ");
        return fallback;
    }
    const double total = cur.getDouble("c_am") + cur.getDouble("c_sm") + cur.getDouble("c_lts");
    return carbon_content_of_stock(total, clay);
}

int soil_category(double availableWater)
{
    if (availableWater >= 23) return 4;
    if (availableWater >= 20) return 3;
    if (availableWater > 15) return 2;
    return 1;
}

// The pore classes of each soil class, looked up once per run: a regional run has
// thousands of rows and a handful of classes. The key tells the value's type apart, as the
// lookup's comparison does.
class PoreSizeCache {
public:
    const PoreSizeParams& of(db::Connection& c, const db::Value& soilclass)
    {
        std::string key;
        if (soilclass.isNull())
            key = "n";
        else if (soilclass.isInteger())
            key = "i" + std::to_string(soilclass.toInt());
        else if (soilclass.isReal()) {
            const double d = soilclass.toDouble();
            std::uint64_t bits = 0;
            std::memcpy(&bits, &d, sizeof bits);
            key = "r" + std::to_string(bits);
        } else
            key = "t" + soilclass.toString();
        auto it = known_.find(key);
        if (it == known_.end()) it = known_.emplace(key, pore_size_parameters(c, soilclass)).first;
        return it->second;
    }

private:
    std::unordered_map<std::string, PoreSizeParams> known_;
};

SoilPlotParameters initialise_row(const PrepContext& p, SoilRow& row, PoreSizeCache& poreSizes)
{
    const RunConfig& cfg = p.cfg;
    const ModelConstants& k = cfg.k;
    SoilRecord rec;

    double clay = row.number("clay");
    double silt = row.givenOrMissing("silt");
    const double fat = row.givenOrMissing("FAT");
    if (!(silt > 0) && fat > 0) silt = silt_from_fat(clay, fat);
    if (silt < 0) {
        const std::string cls = row.text(cfg.soil_scheme == "KA4" ? "BA_KA4" : "BA_RBS");
        const auto estimate = silt_from_texture_class(cfg.soil_scheme, cls, clay, cfg.interpol);
        if (!estimate)
            throw RunCancelled("ERROR", "unrecognised soil classification scheme \"" + cfg.soil_scheme + "\"" + where(row));
        silt = *estimate;
    }

    const double bd = row.givenOrMissing("BD");
    const double pd = row.givenOrMissing("PD");
    const double pv = row.givenOrMissing("PV");
    const double fc = row.givenOrMissing("FC");
    const double pwp = row.givenOrMissing("PWP");
    const double cif = row.givenOrMissing("CIF");
    const double deg = row.givenOrMissing("DEG");
    const double lb = row.givenOrMissing("LMBD");
    // A soil without its own decay constant takes the model's K_DEG.
    const double kd = deg > 0 ? deg : k.kd;

    double corg = row.number("corg");
    const double norg = row.number("norg");
    const double cn = norg > 0 ? corg / norg : kDefaultSoilCnRatio;
    if (clay == 0) clay = 0.0001;

    const std::pair<SoilValue SoilRecord::*, double> given[] = {
        {&SoilRecord::cif, cif}, {&SoilRecord::PWP, pwp}, {&SoilRecord::FC, fc}, {&SoilRecord::PV, pv},
        {&SoilRecord::PD, pd},   {&SoilRecord::BD, bd},   {&SoilRecord::FAT, fat}, {&SoilRecord::silt, silt},
        {&SoilRecord::clay, clay},
    };
    for (const auto& [member, value] : given)
        if (value > 0) (rec.*member).give(value);
    // Estimated texture still feeds the completion, as a value that is not given.
    if (!rec.silt.given) rec.silt.value = silt;
    if (!rec.clay.given) rec.clay.value = clay;

    const PoreSizeParams pores = poreSizes.of(p.db, row.get("soilclass"));
    const std::string icon = trim(row.text("i_con"));
    if (icon == "RepIX") {
        const std::string noIndex = "is there an entry in field_description ?";
        db::Value repix;
        try {
            repix = p.db.scalar("SELECT repix FROM field_description WHERE fl_id = ?", {row.plot()});
        } catch (const db::DbError& e) {
            throw RunCancelled("cannot initialize from REPIX -  exit", noIndex + where(row) + ": " + e.what());
        }
        if (repix.isNull()) throw RunCancelled("cannot initialize from REPIX -  exit", noIndex + where(row));
        try {
            corg = steady_state(repix.toDouble(), silt, clay, pores, k).Corg;
        } catch (const SteadyStateError& e) {
            throw RunCancelled("cannot initialize from REPIX -  exit", e.what() + where(row));
        }
        row.write("corg", corg);
        row.write("norg", corg / cn);
    } else if (icon == "omstat") {
        corg = stored_state_carbon(p, row.plot(), clay, corg);
    }

    SoilPlotParameters out;
    out.kd = kd;
    out.lb = lb;
    out.kappa = kappa(k);

    CompletionInputs in;
    in.hymode = cfg.hymode;
    in.kappa = out.kappa;
    in.kd = kd;
    in.hfc = k.hfc;
    in.hpwp = k.hpwp;
    in.pores = pores;
    in.CN = cn;
    in.Corg = corg;
    complete_soil_record(rec, in);

    // Derived values in this order; a column the table lacks ends the write-back.
    const std::pair<const char*, const SoilValue*> writeBack[] = {
        {"silt", &rec.silt}, {"BD", &rec.BD},   {"PD", &rec.PD},           {"FC", &rec.FC},
        {"PWP", &rec.PWP},   {"PV", &rec.PV},   {"cif", &rec.cif},         {"FAT", &rec.FAT},
        {"sand", &rec.sand}, {"lmbd", &rec.lmbd}, {"max_lts", &rec.max_lts}, {"deg", &rec.deg},
    };
    for (const auto& [name, value] : writeBack) {
        if (value->given && value != &rec.silt) continue;
        if (!row.write(name, value->value)) break;
    }
    row.write("soil_cat", soil_category(rec.FC.value - rec.PWP.value));

    out.hf = hf(rec.clay.value, rec.silt.value, kd, k.km, k.ks, k.ka);
    row.write("kd", out.kd);
    row.write("hf", out.hf);
    return out;
}

} // namespace

SoilParameterMap check_soil_properties(const PrepContext& p)
{
    std::set<std::string> columns;
    for (const auto& c : p.db.columns("tmp_soil_prop")) columns.insert(to_lower(c));

    SoilParameterMap out;
    db::Savepoint t(p.db, "row_walk");
    auto rows = read_rows(p.db, columns);
    std::map<std::string, db::Statement> updates;
    const auto total = static_cast<long long>(rows.size());
    PoreSizeCache poreSizes;
    for (long long i = 0; i < total; ++i) {
        p.checkStop();
        out[rows[i].plot()] = initialise_row(p, rows[i], poreSizes);
        rows[i].flush(updates);
        p.hooks.report(i + 1, total);
    }
    t.release();
    p.hooks.report(0, 0);
    return out;
}

} // namespace vt::engine
