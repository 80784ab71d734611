#include "eval/nitrogen_balance.h"

#include "db/connection.h"
#include "db/database_traits.h"
#include "db/savepoint.h"
#include "db/sql_quote.h"
#include "eval/n_deposition.h"

#include <fstream>
#include <filesystem>
#include <string>
#include <vector>

namespace vt::eval {

namespace {

constexpr long long kStages = 17;

// One value per plot and year taken from the management events.
struct WorkTable {
    const char* name;
    const char* column;
    std::string value;  // aggregate expression
    std::string from;   // FROM ... WHERE ... (without the plot restriction)
};

// Every division is a real one, as in the experiment database's own engine: parameter
// tables imported with whole-number columns must not truncate.
std::vector<WorkTable> work_tables(bool regional)
{
    auto pick = [regional](const char* r, const char* o) { return std::string(regional ? r : o); };
    const std::string crops = " FROM cultivation INNER JOIN gldpflan ON cultivation.Item_IX = gldpflan.ITEM_IX "
                              " WHERE cultivation.Macode IN (2,9) ";
    return {
        {"nbil_n_dng", "n_dng", pick("Sum(cultivation.Quantity*cultivation.part/100.0)", "Sum(cultivation.Quantity)"),
         " FROM cultivation WHERE cultivation.Macode = 4 "},
        {"nbil_n_entzug", "n_entz",
         pick("Sum(cultivation.Quantity*gldpflan.N_GEHALT*cultivation.part/100.0)",
              "Sum(cultivation.Quantity*gldpflan.N_GEHALT)"),
         crops},
        {"nbil_n_saat", "n_saat",
         pick("sum(cultivation.part*0.01*n_saat_input.menge*n_saat_input.n_gehalt/(100.0))",
              "sum(n_saat_input.menge*n_saat_input.n_gehalt/(100.0))"),
         " FROM (cultivation INNER JOIN gldpflan ON cultivation.Item_IX = gldpflan.ITEM_IX) "
         " INNER JOIN n_saat_input ON gldpflan.nsaat_ix = n_saat_input.nsaat_ix WHERE cultivation.Macode IN (2,9) "},
        {"nbil_ewr", "n_ewr",
         pick("sum(cultivation.part*0.01*(cultivation.Sim_Quantity*gldpflan.FEWR+gldpflan.CEWR))",
              "sum((cultivation.Sim_Quantity*gldpflan.FEWR+gldpflan.CEWR))"),
         crops},
        {"nbil_orgd", "n_orgd",
         pick("sum(cultivation.Quantity*cultivation.part*gldopspa.ts_gehalt*gldopspa.c_geh_ts/(1.0*gldopspa.cnr_alt))",
              "sum(cultivation.Quantity*100*gldopspa.ts_gehalt*gldopspa.c_geh_ts/(1.0*gldopspa.cnr_alt))"),
         " FROM cultivation INNER JOIN gldopspa ON cultivation.Item_IX = gldopspa.item_ix "
         " WHERE cultivation.Macode = 3 "},
        {"nbil_kopp", "n_kopp",
         pick("sum(cultivation.Quantity*gldpflan.HI*gldopspa.TS_GEHALT*gldopspa.C_GEH_TS*cultivation.part/(1.0*gldopspa.cnr_alt))",
              "sum(cultivation.Quantity*gldpflan.HI*gldopspa.TS_GEHALT*gldopspa.C_GEH_TS*100/(1.0*gldopspa.cnr_alt))"),
         " FROM (cultivation INNER JOIN gldpflan ON cultivation.Item_IX = gldpflan.ITEM_IX) "
         " INNER JOIN gldopspa ON gldpflan.kop_ix = gldopspa.item_ix "
         " WHERE cultivation.Macode=9 and gldopspa.cnr_alt>0 "},
        {"nbil_nleg", "n_bindung",
         pick("Sum(cultivation.part*0.01*(cultivation.Quantity*leg_parm.faktor+leg_parm.konstante))",
              "Sum(cultivation.Quantity*leg_parm.faktor+leg_parm.konstante)"),
         " FROM (cultivation INNER JOIN gldpflan ON cultivation.Item_IX = gldpflan.ITEM_IX) "
         " INNER JOIN leg_parm ON gldpflan.leg_ix = leg_parm.leg_ix WHERE cultivation.Macode IN (2,9) "},
    };
}

// The key of a plot-year, "<Str(fl_id)>_<Str(year)>", on which all budget tables join.
std::string idx_of(const std::string& plot, const std::string& year) { return "Str(" + plot + ") || '_' || Str(" + year + ")"; }

std::string tenth(const std::string& expr) { return "Int(10*(" + expr + "))/10.0"; }

void write_diagnostics(const std::string& folder, const char* file, const std::string& text)
{
    // Diagnostics only: a folder that cannot be written does not stop the budget.
    std::ofstream out(std::filesystem::path(folder) / file, std::ios::trunc);
    out << text << '\n';
}

void build_budget_rows(db::Connection& c, const std::string& plotFilter)
{
    c.executeIgnoringErrors("drop table  rux_n_bilanz ");
    c.execute("CREATE TABLE rux_n_bilanz (FL_ID INTEGER, [year] INTEGER, N_m_om REAL, N_Org_inp REAL, N_kop_inp REAL, "
              " N_EWR REAL, N_SAAT REAL, n_dng REAL, n_entz REAL, n_bindung REAL, n_deposition REAL, asym_nbind REAL, "
              " idx TEXT)");
    c.execute("INSERT INTO rux_n_bilanz SELECT FL_ID, [year], N_m_om, 0, 0, 0, 0, 0, 0, 0, 0, 0, " +
              idx_of("FL_ID", "[year]") + " FROM rux_nresult WHERE 1=1" + plotFilter);
}

void fill_work_tables(db::Connection& c, const NBalanceOptions& o, const engine::RunHooks& hooks, long long& stage)
{
    c.executeIgnoringErrors("drop table tmp_rep_cnt ");
    c.execute("CREATE TABLE tmp_rep_cnt AS SELECT fd.FL_ID, fd.rep_cnt, Min(c.year) AS ayear, Max(c.year) AS eyear, "
              " Max(c.year)-Min(c.year)+1 AS ycnt "
              " FROM field_description fd INNER JOIN cultivation c ON fd.FL_ID = c.FL_ID "
              " WHERE 1=1" + (o.plot ? " and fd.FL_ID=" + std::to_string(*o.plot) : std::string()) +
              "  GROUP BY fd.FL_ID, fd.rep_cnt ");
    hooks.report(++stage, kStages);

    const bool regional = db::is_regional_database(c);
    const auto tables = work_tables(regional);
    for (const auto& t : tables) {
        c.executeIgnoringErrors(std::string("drop table ") + t.name);
        c.execute(std::string("CREATE TABLE ") + t.name + " (fl_id INTEGER, [year] INTEGER, " + t.column +
                  " REAL, idx TEXT)");
    }
    hooks.report(++stage, kStages);

    // Many small inserts: one commit for all of them.
    db::Savepoint batch(c, "nbil_work_tables");
    for (auto cur = c.query("SELECT FL_ID, rep_cnt, ycnt FROM tmp_rep_cnt ORDER BY FL_ID"); !cur.eof(); cur.next()) {
        const std::string f = std::to_string(cur.getInt("FL_ID"));
        const long long ycnt = cur.getInt("ycnt");
        const int r = repetitions_of(cur.getString("rep_cnt"));
        for (int k = 0; k <= r; ++k) {
            const std::string shifted = "cultivation.year+" + std::to_string(ycnt * k);
            std::string seedSql, orgSql;
            for (const auto& t : tables) {
                const std::string sql = std::string("INSERT INTO ") + t.name + " (fl_id, [year], " + t.column +
                                        ", idx) SELECT cultivation.FL_ID, " + shifted + ", " + t.value + ", " +
                                        idx_of("cultivation.FL_ID", shifted) + t.from + " and cultivation.FL_ID=" + f +
                                        " GROUP BY cultivation.FL_ID, cultivation.year";
                const std::string name = t.name;
                if (name == "nbil_n_saat" || name == "nbil_kopp" || name == "nbil_nleg") {
                    seedSql += sql + "\n";
                    write_diagnostics(o.diagnosticsFolder, "testsql.sql", seedSql);
                } else if (name == "nbil_orgd") {
                    write_diagnostics(o.diagnosticsFolder, "testnbilorgdb.sql", sql);
                }
                c.execute(sql);
            }
        }
    }
    batch.release();
    hooks.report(++stage, kStages);
}

void join_into_budget(db::Connection& c, const engine::RunHooks& hooks, long long& stage)
{
    auto from = [&](const std::string& set, const std::string& table) {
        c.execute("UPDATE rux_n_bilanz SET " + set + " FROM " + table + " WHERE " + table + ".idx = rux_n_bilanz.idx");
        hooks.report(++stage, kStages);
    };
    from("n_dng = nbil_n_dng.n_dng", "nbil_n_dng");
    c.executeIgnoringErrors("drop table nbil_orgd_sum");
    c.execute(" CREATE TABLE nbil_orgd_sum AS select fl_id, [year], idx, sum(N_orgd) as n_orgd from nbil_orgd "
              " group by fl_id, [year], idx");
    from("N_Org_inp = nbil_orgd_sum.n_orgd", "nbil_orgd_sum");
    from("N_Org_inp = N_Org_inp + nbil_kopp.n_kopp, N_kop_inp = nbil_kopp.n_kopp", "nbil_kopp");
    from("N_SAAT = Int(nbil_n_saat.n_saat + 0.5)", "nbil_n_saat");
    from("n_entz = nbil_n_entzug.n_entz", "nbil_n_entzug");
    from("N_EWR = nbil_ewr.n_ewr", "nbil_ewr");
    c.execute("UPDATE nbil_nleg SET n_bindung = 0 WHERE n_bindung < 0");
    from("n_bindung = nbil_nleg.n_bindung", "nbil_nleg");
    c.execute("UPDATE rux_n_bilanz SET asym_nbind = 5 WHERE n_dng > 0");
    c.execute("UPDATE rux_n_bilanz SET asym_nbind = 10 WHERE n_dng = 0");
    c.execute("UPDATE rux_n_bilanz SET n_deposition = tmp_ndeposit.N_dep_y "
              " FROM field_description INNER JOIN tmp_ndeposit ON tmp_ndeposit.climate_id = field_description.climate_ID "
              " WHERE field_description.FL_ID = rux_n_bilanz.FL_ID AND tmp_ndeposit.[year] = rux_n_bilanz.[year] "
              " AND tmp_ndeposit.N_dep_y > 0");
    hooks.report(++stage, kStages);
}

void build_summaries(db::Connection& c, bool single, const NBalanceLimits& l)
{
    const std::string years = " WHERE [year] >= " + db::sql_number(l.yearFrom) + " AND [year] <= " +
                              db::sql_number(l.yearTo);
    const std::string fert = " HAVING Avg(n_dng) >= " + db::sql_number(l.fertFrom) + " AND Avg(n_dng) <= " +
                             db::sql_number(l.fertTo);
    const std::string soilIn = "N_m_om + n_dng + n_bindung + n_deposition + asym_nbind + N_SAAT";
    const std::string plotIn = "N_Org_inp + n_dng + n_bindung + n_deposition + asym_nbind + N_SAAT";

    c.executeIgnoringErrors("drop table rux_nsaldo");
    c.execute("CREATE TABLE rux_nsaldo AS SELECT FL_ID, Avg(n_dng) AS n_mindg_inp, Avg(N_Org_inp) AS n_orgdg_inp, "
              " Avg(N_EWR) AS n_ewr_upt, Avg(n_entz) AS n_HUKP_upt, Avg(N_m_om) AS n_mos_inp, "
              " Avg(n_bindung) AS n_leg_inp, Avg(asym_nbind) AS n_asym_inp, Avg(n_deposition) AS n_depos_inp, "
              " Avg(N_SAAT) AS n_saat_inp, Avg(n_bindung+asym_nbind+n_deposition+N_SAAT) AS N_gratis, "
              " Avg(" + soilIn + ") - Avg(n_entz + N_EWR) AS n_saldo_soil, "
              " Avg(" + plotIn + ") - Avg(n_entz) AS n_saldo_plot "
              " FROM rux_n_bilanz" + years + " GROUP BY FL_ID" + fert);

    // All plots: averages per plot within the limits; one plot: sums per year.
    const std::string agg = single ? "Sum" : "Avg";
    auto a = [&](const std::string& e) { return agg + "(" + e + ")"; };
    c.executeIgnoringErrors("drop table nmin_saldo");
    c.execute("CREATE TABLE nmin_saldo AS SELECT FL_ID, " + std::string(single ? "[year], " : "") +
              tenth(a("N_EWR + n_entz")) + " AS n_pflanze_out, " + tenth(a("n_dng")) + " AS n_mindg_inp, " +
              tenth(a("N_m_om")) + " AS n_mos_inp, " + tenth(a("n_bindung")) + " AS n_leg_inp, " +
              tenth(a("asym_nbind")) + " AS n_asym_inp, " + tenth(a("n_deposition")) + " AS n_depos_inp, " +
              tenth(a("N_SAAT")) + " AS n_saat_inp, " + tenth(a(soilIn) + " - " + a("n_entz + N_EWR")) +
              " AS saldo_nmin_soil, Count(*) AS anz FROM rux_n_bilanz" + years +
              (single ? " GROUP BY [year], FL_ID ORDER BY [year]" : " GROUP BY FL_ID" + fert + " ORDER BY FL_ID"));

    c.executeIgnoringErrors("drop table NT_saldo");
    c.execute("CREATE TABLE NT_saldo AS SELECT FL_ID, " + std::string(single ? "[year], " : "") +
              tenth("Avg(n_entz - N_kop_inp)") + " AS n_abfuhr, " + tenth("Avg(n_dng)") + " AS n_mindg_inp, " +
              tenth("Avg(N_Org_inp)") + " AS n_orgdg_inp, " + tenth("Avg(n_bindung)") + " AS n_leg_inp, " +
              tenth("Avg(asym_nbind)") + " AS n_asym_inp, " + tenth("Avg(n_deposition)") + " AS n_depos_inp, " +
              tenth("Avg(N_SAAT)") + " AS n_saat_inp, " + tenth("Avg(" + plotIn + ") - Avg(n_entz)") +
              " AS n_saldo_plot FROM rux_n_bilanz" + years +
              (single ? " GROUP BY FL_ID, [year]" : " GROUP BY FL_ID") + fert +
              (single ? " ORDER BY [year]" : " ORDER BY FL_ID"));
}

} // namespace

namespace {

// Thrown by the progress hook when the caller asks to stop between two stages.
struct Cancelled {};

void build_budget(db::Connection& c, const NBalanceOptions& o, const engine::RunHooks& hooks)
{
    long long stage = 0;
    hooks.report(stage, kStages);
    prepare_deposition(c, 0);
    hooks.report(++stage, kStages);

    const std::string plotFilter = o.plot ? " and FL_ID=" + std::to_string(*o.plot) : std::string();
    build_budget_rows(c, plotFilter);
    hooks.report(++stage, kStages);
    fill_work_tables(c, o, hooks, stage);
    join_into_budget(c, hooks, stage);

    if (o.observedUptake)
        c.execute(" UPDATE rux_n_bilanz SET n_entz = measurements.meas_value FROM measurements "
                  " WHERE rux_n_bilanz.[year] = measurements.[year] AND rux_n_bilanz.FL_ID = measurements.FL_ID "
                  " AND measurements.M_IX = 20");
    hooks.report(++stage, kStages);

    const NBalanceLimits limits = o.plot ? NBalanceLimits{} : o.limits;
    build_summaries(c, o.plot.has_value(), limits);
    hooks.report(kStages, kStages);
}

} // namespace

bool nitrogen_balance(db::Connection& c, const NBalanceOptions& o, const engine::RunHooks& hooks)
{
    engine::RunHooks staged = hooks;
    staged.progress = [&hooks](long long current, long long maximum) {
        hooks.report(current, maximum);
        if (hooks.stopRequested()) throw Cancelled{};
    };
    db::Savepoint whole(c, "nitrogen_balance");
    try {
        build_budget(c, o, staged);
    } catch (const Cancelled&) {
        hooks.report(0, 0);
        return false;  // the savepoint puts every table back as it was
    } catch (const db::DbError&) {
        whole.release();  // the tables built so far stay
        hooks.report(0, 0);
        throw;
    }
    whole.release();
    hooks.report(0, 0);
    return true;
}

} // namespace vt::eval
