#include "engine/balance_input.h"

#include "db/connection.h"
#include "engine/state_store.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace vt::engine {

MethodKind method_kind(const std::string& methode)
{
    if (methode == "RUX") return MethodKind::Rux;
    if (methode.rfind("HUBA", 0) == 0 || methode == "NULL") return MethodKind::HumusBalance;
    return MethodKind::Other;
}

BalanceOptions BalanceOptions::from(const RunConfig& cfg)
{
    BalanceOptions o;
    o.methode = cfg.methode.empty() ? "RUX" : cfg.methode;
    o.method = method_kind(o.methode);
    o.modus = cfg.modus;
    o.accumulationOnly = cfg.rux_icon == "null";
    // Outside the normal mode the dynamic options are off for the whole run.
    o.dyn_bd = cfg.dyn_bd && cfg.modus == "RUX";
    o.dyn_lts = cfg.dyn_lts && cfg.modus == "RUX";
    o.hassink = cfg.hassink == 1;
    o.scenario_ctrl = cfg.scenario_ctrl;
    o.z_cnt = cfg.z_cnt;
    o.z_anf = cfg.z_anf;
    o.stepwise = cfg.stepwise;
    o.k = cfg.k;
    return o;
}

std::string humus_balance_select(bool into)
{
    return std::string(" SELECT site_state.FL_ID, hubi_c_bilanz.year_ AS year_0, hubi_c_bilanz.Corg, "
                       "hubi_c_bilanz.hb_crop, hubi_c_bilanz.hb_ORAM, "
                       " tmp_soil_prop.BD,tmp_soil_prop.skelett, 999 AS cif ") +
           (into ? " into huba_fin_res " : "") +
           " FROM (tmp_soil_prop INNER JOIN site_state ON tmp_soil_prop.FL_ID = site_state.FL_ID) "
           "INNER JOIN hubi_c_bilanz ON site_state.FL_ID = hubi_c_bilanz.FL_ID "
           " WHERE (((site_state.status)=1)) ORDER BY site_state.FL_ID, hubi_c_bilanz.year_ ";
}

std::string carbon_input_query(bool sensitivity)
{
    std::string sql =
        "SELECT field_description.FL_ID, field_description.i_con, field_description.comment, "
        "field_description.notill, tmp_soil_prop.fchw, tmp_soil_prop.fbio, ";
    // The balance reads fbio and max_lts in both variants.
    if (!sensitivity) sql += "tmp_soil_prop.deg, tmp_soil_prop.lmbd, ";
    sql += "tmp_soil_prop.max_lts, tmp_soil_prop.cif, tmp_soil_prop.corg, tmp_soil_prop.norg, "
           "tmp_soil_prop.PWP, ";
    sql += sensitivity ? "tmp_soil_prop.BD*rux_var_fac.F_BD AS BD, " : "tmp_soil_prop.BD, ";
    sql += "tmp_soil_prop.skelett, tmp_soil_prop.PD, tmp_soil_prop.FC, tmp_soil_prop.fat, tmp_soil_prop.clay, "
           "tmp_soil_prop.silt, ";
    if (sensitivity)
        sql += "tmp_bat.BAT*rux_var_fac.F_BAT AS BAT, Crep_year.year_0, Crep_year.Crep*rux_var_fac.F_CREP AS Crep, ";
    else
        sql += "tmp_bat.BAT AS TillBAT, (tmp_bat.BAT*(100-tmp_bat.t_level)+tmp_BAT.BATnotill*tmp_bat.t_level)/100 AS BAT, "
               "tmp_bat.ltem, Crep_year.year_0, Crep_year.Crep, ";
    sql += "3250 AS cl "
           "FROM (((Crep_year INNER JOIN field_description ON Crep_year.FL_ID = field_description.FL_ID) "
           "INNER JOIN site_state ON site_state.FL_ID = field_description.FL_ID) "
           "INNER JOIN tmp_soil_prop ON (tmp_soil_prop.FL_ID = field_description.FL_ID) "
           "AND (tmp_soil_prop.soil_ID = field_description.soil_ID)) "
           "INNER JOIN tmp_bat ON (tmp_bat.FL_ID = Crep_year.FL_ID) AND (tmp_bat.year_0 = Crep_year.year_0) ";
    if (sensitivity) sql += "CROSS JOIN rux_var_fac ";
    sql += "WHERE site_state.status=1 ";
    if (sensitivity) sql += "AND rux_var_fac.ID=1 ";
    sql += "ORDER BY field_description.FL_ID, Crep_year.year_0";
    return sql;
}

std::string initial_observation_check_query()
{
    return "  SELECT Min(cultivation.year) AS Minvonyear, measurements.year, cultivation.FL_ID, "
           "field_description.Herkunft, field_description.Location, field_description.site_description "
           " FROM ((cultivation INNER JOIN measurements ON cultivation.FL_ID = measurements.FL_ID) "
           "INNER JOIN field_description ON cultivation.FL_ID = field_description.FL_ID) "
           "INNER JOIN site_state ON field_description.FL_ID = site_state.FL_ID  "
           " WHERE (((measurements.year_number)=0) AND ((cultivation.Macode) In (2,3,9)) AND ((site_state.status)=1)) "
           " GROUP BY measurements.year, cultivation.FL_ID, field_description.Herkunft, field_description.Location, "
           "field_description.site_description "
           " HAVING (((Min(cultivation.year))>[measurements].[year])) ";
}

std::string plot_list_query()
{
    return "SELECT field_description.FL_ID,field_description.i_con, field_description.site_description, "
           "field_description.Location, climate_station.station, soilproperties.profile "
           "FROM ((field_description INNER JOIN climate_station ON field_description.climate_ID = "
           "climate_station.climate_ID) INNER JOIN soilproperties ON field_description.soil_ID = "
           "soilproperties.soil_ID) INNER JOIN site_state ON field_description.FL_ID = site_state.FL_ID "
           "WHERE (((site_state.status)=1))";
}

int statement_column(const db::Statement& s, const std::string& name)
{
    for (int i = 0; i < s.columnCount(); ++i) {
        const std::string n = s.columnName(i);
        if (n.size() == name.size() &&
            std::equal(n.begin(), n.end(), name.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
            }))
            return i;
    }
    return -1;
}

namespace {

double number_or(const db::Cursor& c, const char* name, double fallback)
{
    const int i = c.fieldIndex(name);
    if (i < 0) return fallback;
    const db::Value v = c.field(i);
    return v.isNull() ? fallback : v.toDouble();
}

std::string trimmed(std::string s)
{
    const auto notSpace = [](unsigned char ch) { return !std::isspace(ch); };
    s.erase(s.begin(), std::find_if(s.begin(), s.end(), notSpace));
    s.erase(std::find_if(s.rbegin(), s.rend(), notSpace).base(), s.end());
    return s;
}

// The stored state an initial condition names: a plot number names that plot's state, any
// other text the plot's own.
long long state_plot(const std::string& icon, long long fl_id)
{
    char* end = nullptr;
    const long long n = std::strtoll(icon.c_str(), &end, 10);
    return (end != icon.c_str() && *end == '\0') ? n : fl_id;
}

} // namespace

std::string initial_condition(const BalanceOptions& o, const BalanceRow& row)
{
    return o.method == MethodKind::Rux ? trimmed(row.i_con) : "obsval";
}

bool starts_from_stored_state(const std::string& preCond)
{
    return preCond != "obsval" && preCond != "null" && preCond != "RepIX";
}

BalanceInputReader::BalanceInputReader(db::Connection& c, const std::string& inputQuery, const BalanceOptions& options,
                                       StateStore* store)
    : c_(c), options_(options), store_(store)
{
    input_ = std::make_unique<db::Cursor>(c.query(inputQuery));
    totalRows_ = input_->rowCount();
    if (options_.method == MethodKind::Rux) {
        for (auto list = c.query(plot_list_query()); !list.eof(); list.next()) plotList_.insert(list.getInt("FL_ID"));
        bat_.emplace(c.prepare(" SELECT (BAT*(100-t_level)+BATnotill*t_level)/100 as bat_, FL_ID, year_0 as yr"
                               "  FROM tmp_bat where fl_id= ? order by year_0 "));
        opstab_.emplace(c.prepare(" select * from opstab where fl_id= ?"));
        opsPop_ = statement_column(*opstab_, "pop");
    }
    // The first relative deviation from steady state of every plot, read once: the
    // observations have no index on the plot.
    for (auto cur = c.query("select fl_id, meas_value from measurements where m_ix=-1"); !cur.eof(); cur.next())
        nonBal_.emplace(cur.getInt("fl_id"), cur.getDouble("meas_value"));
}

BalanceInputReader::~BalanceInputReader() = default;

BalanceRow BalanceInputReader::readRow() const
{
    const db::Cursor& c = *input_;
    BalanceRow r;
    r.fl_id = c.getInt("FL_ID");
    if (c.hasField("i_con")) r.i_con = c.getString("i_con");
    r.year_0 = static_cast<int>(c.getInt("year_0"));
    r.corg = number_or(c, "corg", -99);
    r.norg = number_or(c, "norg", -99);
    r.bd = number_or(c, "BD", -99);
    r.skelett = number_or(c, "skelett", 0);
    r.max_lts = number_or(c, "max_lts", -99);
    r.cif = number_or(c, "cif", -99);
    r.pd = number_or(c, "PD", -99);
    r.fc = number_or(c, "FC", -99);
    r.fchw = number_or(c, "fchw", 0);
    r.fbio = number_or(c, "fbio", 0);
    r.clay = number_or(c, "clay", -99);
    r.silt = number_or(c, "silt", -99);
    r.deg = number_or(c, "deg", -99);
    r.hb_crop = number_or(c, "hb_crop", 0);
    r.hb_oram = number_or(c, "hb_oram", 0);
    return r;
}

std::optional<PlotInput> BalanceInputReader::next()
{
    if (input_->eof()) return std::nullopt;
    PlotInput in;
    in.fl_id = input_->getInt("FL_ID");
    while (!input_->eof() && input_->getInt("FL_ID") == in.fl_id) {
        in.rows.push_back(readRow());
        ++rowsRead_;
        input_->next();
    }
    in.lastPlot = input_->eof();
    in.inPlotList = options_.method != MethodKind::Rux || plotList_.count(in.fl_id) > 0;

    if (const auto it = nonBal_.find(in.fl_id); it != nonBal_.end()) in.non_bal = it->second;

    if (options_.method == MethodKind::Rux) {
        readBat(in);
        readAdditions(in);
        in.awaitsStoredState =
            store_ && !in.rows.empty() && starts_from_stored_state(initial_condition(options_, in.rows.front()));
    }
    return in;
}

void BalanceInputReader::readBat(PlotInput& in)
{
    bat_->bind(1, in.fl_id);
    while (bat_->step()) in.bat.emplace_back(static_cast<int>(bat_->columnInt(2)), bat_->columnDouble(0));
    bat_->reset();
}

void BalanceInputReader::readAdditions(PlotInput& in)
{
    db::Statement& s = *opstab_;
    const int year = statement_column(s, "year_"), cops = statement_column(s, "cops"), part = statement_column(s, "part");
    const int k = statement_column(s, "k"), eta = statement_column(s, "eta"), cnr = statement_column(s, "cnr");
    const int cnrAlt = statement_column(s, "cnr_alt"), item = statement_column(s, "item_ix"), mkd = statement_column(s, "mkd");
    const auto num = [&](int i) { return i < 0 ? 0.0 : s.columnDouble(i); };
    s.bind(1, in.fl_id);
    while (s.step()) {
        FomAddition a;
        a.cops = num(cops);
        a.part = num(part);
        a.k = num(k);
        a.eta = num(eta);
        a.cnr = num(cnr);
        a.cnr_alt = num(cnrAlt);
        a.pop = opsPop_ < 0 ? 0.0 : s.columnDouble(opsPop_);
        a.item_ix = item < 0 ? 0 : s.columnInt(item);
        a.mkd = mkd < 0 ? 0 : static_cast<int>(s.columnInt(mkd));
        in.additions[static_cast<int>(s.columnInt(year))].push_back(a);
    }
    s.reset();
}

void BalanceInputReader::readStoredState(PlotInput& in)
{
    if (!in.awaitsStoredState) return;
    in.awaitsStoredState = false;
    if (in.rows.empty() || !store_) return;
    const std::string preCond = initial_condition(options_, in.rows.front());
    if (!starts_from_stored_state(preCond)) return;
    // The state of the year before the plot's first year; a plot whose leading rows lack
    // an initial value starts later, at its first row with one.
    auto first = std::find_if(in.rows.begin(), in.rows.end(), [](const BalanceRow& r) { return r.corg >= 0; });
    if (first == in.rows.end()) first = in.rows.begin();
    std::string problem;
    in.storedState = store_->load(first->year_0 - 1, state_plot(preCond, in.fl_id), preCond, &problem);
    in.storedStateProblem = problem;
}

} // namespace vt::engine
