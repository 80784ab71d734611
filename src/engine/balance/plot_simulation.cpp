#include "engine/balance/plot_simulation.h"

#include "engine/balance/balance_input.h"
#include "engine/soil/fom_pools.h"
#include "engine/soil/pedotransfer.h"
#include "engine/soil/soil_physics.h"
#include "engine/balance/som_year_step.h"
#include "engine/soil/water_retention.h"

#include <algorithm>
#include <cmath>

namespace vt::engine {

namespace {

constexpr double kMarker = -99;

double round4(double v) { return std::round(v * 10000.0) / 10000.0; }

// Where a plot's simulation stands while it walks its years.
class PlotRun {
public:
    PlotRun(const PlotInput& in, const BalanceOptions& o, const std::function<bool()>& stop)
        : in_(in), o_(o), stop_(stop)
    {
        out_.fl_id = in.fl_id;
    }

    PlotOutput run();

private:
    struct Year {
        const BalanceRow* row;
        bool filled;     // a gap year simulated with the row before the gap
        int yr;          // the record year
        int z_jahr;      // the simulated year
        bool lastOfRun;  // the last year of the last cycle of the last plot of the input
    };

    void line(const std::string& text) { out_.log.push_back({LogEvent::Kind::Line, {}, text}); }
    void message(const std::string& caption, const std::string& text)
    {
        out_.log.push_back({LogEvent::Kind::Message, caption, text});
    }
    bool readSiteSoil(const BalanceRow& row);
    void initialisePools();
    void reportInvalid(size_t first);
    // Ends the plot at a year whose `quantity` is not a finite number: none of its rows are
    // written. Returns false, which ends the walk.
    bool notFinite(const Year& y, const std::string& quantity);
    // Walks cycles and years; calls `year` for every simulated year until it returns false.
    void walkYears(size_t first, const std::function<bool(const Year&)>& year);
    bool carbonYear(const Year& y);
    bool humusBalanceYear(const Year& y);
    void addFreshOrganicMatter(int yr, YearFlows& flows);
    double batOf(int z_jahr);
    // False, with the plot skipped and a message naming its year, when a BAT of the plot is
    // negative or not a number (such a year would stand still or run backwards) or above
    // kMaxBatPerYear.
    bool batUsable();
    OmState keptState() const;

    const PlotInput& in_;
    const BalanceOptions& o_;
    const std::function<bool()>& stop_;
    PlotOutput out_;

    // Soil record of the plot.
    double corg_ = 0, norg_ = 0, skelett_ = 0, max_lts_ = 0, cif_ = 0, fchw_ = 15, fbio_ = 0, clay_ = 0, silt_ = 0;
    double pwp_ = 0, hf_ = 0, kd_ = 0;
    // State.
    SoilPools pools_;
    LtsState lts_;
    OpsList fom_;
    double c_total_ = 0, cnr_lts_ = kMarker, prevTotal_ = 0, c_hws_ = kMarker;
    bool init_ = true;
    int year_num_ = 0, lastAddYear_ = 0, batIdx_ = -1;
};

bool PlotRun::readSiteSoil(const BalanceRow& row)
{
    if (o_.accumulationOnly) return true;
    corg_ = row.corg;
    pools_.BD = row.bd;
    skelett_ = row.skelett;
    if (o_.method != MethodKind::Rux) return true;
    max_lts_ = row.max_lts;
    norg_ = row.norg;
    cif_ = row.cif;
    if (!(corg_ * pools_.BD > 0) || cif_ < 0 || pools_.BD <= 0) return false;
    fchw_ = row.fchw == 0 ? 15 : row.fchw;
    fbio_ = row.fbio;
    clay_ = row.clay;
    silt_ = row.silt;
    // With a dynamic bulk density the density is the one of the soil's carbon content from
    // the start, so that the initial stocks, the wilting point and the first year's content
    // agree; without it the soil's own (given or estimated) density holds throughout.
    if (o_.dyn_bd) pools_.BD = bulk_density(corg_, clay_);
    pwp_ = 100 * water_content(water_retention_parameters(1, silt_, clay_, corg_, pools_.BD), o_.k.hpwp);
    // The long-term pool's decay constant of the soil, the run's K_DEG when the soil has
    // none, and its formation coefficient from texture.
    kd_ = row.deg > 0 ? row.deg : o_.k.kd;
    hf_ = hf(clay_, silt_, kd_, o_.k.km, o_.k.ks, o_.k.ka);
    return true;
}

void PlotRun::initialisePools()
{
    double lts, dec;
    if (o_.hassink) {
        lts = std::min(corg_ * cif_, max_lts_);
        dec = corg_ - lts;
    } else {
        dec = std::min((1 - cif_) * corg_, 2.0);
        lts = corg_ - dec;
    }
    const double BD = pools_.BD;
    pools_.c_lts = (1 - skelett_) * lts * BD * 30 * 1000;
    if (pwp_ > 0) lts_.lts_pwp = pools_.c_lts / pwp_;
    pools_.c_dec = (1 - skelett_) * corg_ * 1000 * BD * 30 - pools_.c_lts;
    c_total_ = (1 - skelett_) * corg_ * BD * kSoilMassFactor;
    // The long-term pool holds the nitrogen that makes the soil's total N the observed one
    // (Corg / CN); without an observed N content the soil's C/N is the default of the soil
    // completion. Leaving the pool's nitrogen out would report the N of the decomposable
    // pools alone as the soil's total N, less than half of it in most soils.
    const double cn = norg_ > 0 ? corg_ / norg_ : kDefaultSoilCnRatio;
    const double cnr = ratio_or(lts * cn * o_.k.cnrsom, o_.k.cnrsom * corg_ - cn * dec, kMarker);
    // A C/N that no long-term pool can give (the decomposable pools alone hold more N than
    // the soil) leaves the pool without N rather than with a negative amount.
    cnr_lts_ = cnr > 0 ? cnr : kMarker;
}

void PlotRun::reportInvalid(size_t first)
{
    const std::string text = "missing data for FL_ID" + std::to_string(in_.fl_id);
    line(text);
    message("ERROR", text);
    out_.skipReason = "missing data: no initial organic carbon, bulk density or cif of its soil (see the error rows)";
    for (size_t i = first; i < in_.rows.size(); ++i) {
        const BalanceRow& r = in_.rows[i];
        out_.log.push_back({LogEvent::Kind::ErrorRows, {},
                            "FL_ID=" + std::to_string(r.fl_id) + " year_0=" + std::to_string(r.year_0) +
                                " corg=" + log_number(r.corg) + " BD=" + log_number(r.bd) + " cif=" +
                                log_number(r.cif) + " clay=" + log_number(r.clay) + " silt=" + log_number(r.silt)});
    }
    out_.status = PlotStatus::Skipped;
}

// The name of the first value of a year's result rows that is not a finite number, or
// empty when every one is.
std::string non_finite_result(const YearResult& r)
{
    for (int i = 0; i < kNresultColumns; ++i)
        if (!std::isfinite(r.nresult[static_cast<size_t>(i)])) return kNresultColumnNames[i];
    for (int i = 0; i < kZbvColumns; ++i)
        if (!std::isfinite(r.zbv[static_cast<size_t>(i)])) return std::string("rux_zbv.") + kZbvColumnNames[i];
    if (r.sim_value && !std::isfinite(*r.sim_value)) return "sim_value";
    return {};
}

bool PlotRun::notFinite(const Year& y, const std::string& quantity)
{
    const std::string text = "FL_ID " + std::to_string(in_.fl_id) + ", year " + std::to_string(y.z_jahr) + ": " +
                             quantity + " is not a finite number; the plot is not simulated";
    line(text);
    message("ERROR", text);
    out_.years.clear();
    out_.status = PlotStatus::Skipped;
    out_.skipReason = text;
    return false;
}

PlotOutput PlotRun::run()
{
    // Rows without an initial carbon value are passed over, within the plot.
    size_t first = 0;
    const bool skipNegative = o_.modus == "RUX" || (o_.modus == "ACC" && !o_.accumulationOnly);
    if (skipNegative)
        while (first < in_.rows.size() && in_.rows[first].corg < 0) ++first;
    if (first == in_.rows.size()) {
        if (o_.modus == "ACC" && in_.lastPlot) {
            message(" simulation run canceled ", " Error in initialisation ");
            out_.status = PlotStatus::InitialisationError;
        } else {
            reportInvalid(0);
        }
        return std::move(out_);
    }
    const BalanceRow& row = in_.rows[first];
    const bool valid = readSiteSoil(row);
    if (!in_.inPlotList) line("FL_ID not found =>" + std::to_string(in_.fl_id));
    if (!valid) {
        reportInvalid(first);
        return std::move(out_);
    }

    if (o_.method == MethodKind::HumusBalance) {
        walkYears(first, [this](const Year& y) { return humusBalanceYear(y); });
        return std::move(out_);
    }

    if (!batUsable()) return std::move(out_);
    initialisePools();
    fom_.destroy_opsprm();
    fom_.create_opsprm();
    const std::string preCond = initial_condition(o_, row);
    if (starts_from_stored_state(preCond) && in_.storedState) {
        const OmState& s = *in_.storedState;
        init_ = false;
        pools_.c_am = s.c_am;
        pools_.c_sm = s.c_sm;
        pools_.c_lts = s.c_lts;
        pools_.c_dec = s.c_am + s.c_sm;
        lts_.lts_pwp = ratio_or(s.c_lts, pwp_, lts_.lts_pwp);
        std::vector<OpsRecord> loaded;
        for (const StoredPool& p : s.pools) {
            OpsRecord r;
            r.item_ix = static_cast<int>(p.item_ix);
            r.age = 1;
            r.repflx = p.repflx;
            r.cops = p.cops;
            r.cnr = p.cnr;
            r.k = p.k;
            r.eta = p.eta;
            loaded.push_back(r);
        }
        fom_.replace(std::move(loaded));
        prevTotal_ = s.c_am + s.c_sm + s.c_lts + fom_.get_c_ops();
    } else {
        if (starts_from_stored_state(preCond)) {
            // No stored state to start from: the plot is not simulated (starting it from its
            // observed carbon instead would give results of another question).
            const std::string text = in_.storedStateProblem.empty() ? " no proper initial conditions found "
                                                                    : in_.storedStateProblem;
            line(text + "(FL_ID " + std::to_string(in_.fl_id) + ", i_con " + preCond + "); plot skipped");
            message(" initialisation error", text + "(FL_ID " + std::to_string(in_.fl_id) + ")");
            out_.status = PlotStatus::Skipped;
            out_.skipReason = "initialisation error: no proper initial conditions found (i_con \"" + preCond +
                              "\" names no stored state of year 0)";
            return std::move(out_);
        }
        fom_.destroy_opsprm();
        fom_.create_opsprm();
    }
    pools_.mkd_a = pools_.mkd_s = 0;
    out_.years.reserve((in_.rows.size() - first) * static_cast<size_t>(std::max(o_.z_cnt + 1, 1)));
    walkYears(first, [this](const Year& y) { return carbonYear(y); });
    if (out_.status != PlotStatus::Skipped) out_.finalState = keptState();
    return std::move(out_);
}

void PlotRun::walkYears(size_t first, const std::function<bool(const Year&)>& yearFn)
{
    const auto& rows = in_.rows;
    int z_jahr = 0;
    for (int cycle = 0; cycle <= o_.z_cnt; ++cycle) {
        size_t idx = first;
        size_t start = first;
        if (cycle > 0) {
            const auto it = std::find_if(rows.begin(), rows.end(), [&](const BalanceRow& r) { return r.year_0 == o_.z_anf; });
            if (it == rows.end()) {
                message("cycling error", "loopback not possible");
                out_.status = PlotStatus::CyclingError;
                return;
            }
            idx = start = static_cast<size_t>(it - rows.begin());
        }
        int prev = rows[idx].year_0 - 1;
        batIdx_ = -1;  // the plot's BAT is read afresh in every cycle
        while (idx < rows.size()) {
            const int y = rows[idx].year_0;
            const bool filled = y > prev + 1 && idx > start;
            const BalanceRow& row = filled ? rows[idx - 1] : rows[idx];
            const int yr = filled ? prev + 1 : y;
            z_jahr = cycle == 0 ? yr : z_jahr + 1;
            if (yr != prev + 1) {
                line("fl_id" + std::to_string(in_.fl_id) + ": " + std::to_string(prev + 1) + ":missed harvest");
                out_.status = PlotStatus::MissedHarvest;
                out_.skipReason = "missed harvest: the events go back from " + std::to_string(prev) + " to " +
                                  std::to_string(yr) + "; the years up to " + std::to_string(prev) + " are written";
                return;
            }
            ++year_num_;
            if (!filled) ++idx;
            const bool lastOfRun = cycle == o_.z_cnt && idx == rows.size() && in_.lastPlot;
            if (!yearFn(Year{&row, filled, yr, z_jahr, lastOfRun})) return;
            prev = yr;
            if (stop_ && stop_()) {
                out_.status = PlotStatus::Stopped;
                return;
            }
        }
    }
}

void PlotRun::addFreshOrganicMatter(int yr, YearFlows& f)
{
    auto it = in_.additions.find(yr);
    if (it != in_.additions.end() && !it->second.empty())
        lastAddYear_ = yr;
    else
        it = in_.additions.find(lastAddYear_);
    if (it == in_.additions.end()) return;
    for (const FomAddition& a : it->second) {
        if (!(a.cops > 0)) continue;
        const long double share = a.part / 100.0L;
        const long double c = a.cops * share;
        if (a.item_ix <= 9997 && a.cnr_alt != 0 && a.cnr != 0)
            f.n_flush += share * (a.cops * (1.0L / a.cnr_alt - 1.0L / a.cnr));
        fom_.add_ops_rec(a.pop, a.cnr, a.k, a.eta, c, a.mkd, static_cast<int>(a.item_ix));
        f.c_imp_fom += c;
        if (a.cnr != 0) f.n_imp_fom += c / a.cnr;
    }
}

double PlotRun::batOf(int z_jahr)
{
    const auto& bat = in_.bat;
    if (bat.empty()) return 0;
    const auto it = std::find_if(bat.begin(), bat.end(), [&](const auto& b) { return b.first == z_jahr; });
    if (it != bat.end())
        batIdx_ = static_cast<int>(it - bat.begin());
    else
        batIdx_ = std::min(batIdx_ + 1, static_cast<int>(bat.size()) - 1);
    return bat[static_cast<size_t>(batIdx_)].second;
}

bool PlotRun::batUsable()
{
    for (const auto& [year, bat] : in_.bat) {
        if (std::isfinite(bat) && bat >= 0 && bat <= kMaxBatPerYear) continue;
        const std::string text =
            "BAT of FL_ID " + std::to_string(in_.fl_id) + " in " + std::to_string(year) + " is " +
            (std::isfinite(bat) ? log_number(bat) : std::string(std::isnan(bat) ? "missing" : "not finite")) +
            (bat > kMaxBatPerYear && std::isfinite(bat) ? ", more than the " + log_number(kMaxBatPerYear) + " days a year holds"
                                                         : std::string()) +
            "; plot skipped";
        line(text);
        message("ERROR", text);
        out_.status = PlotStatus::Skipped;
        out_.skipReason = text;
        return false;
    }
    return true;
}

OmState PlotRun::keptState() const
{
    OmState s;
    s.c_am = pools_.c_am;
    s.c_sm = pools_.c_sm;
    s.c_lts = pools_.c_lts;
    s.cnr_am = s.cnr_sm = o_.k.cnrsom;
    s.cnr_lts = cnr_lts_;
    for (const OpsRecord& r : fom_.pools())
        s.pools.push_back(StoredPool{r.cops, r.repflx, r.cnr, r.k, r.eta, r.item_ix});
    return s;
}

bool PlotRun::carbonYear(const Year& y)
{
    YearFlows f;
    addFreshOrganicMatter(y.yr, f);
    const double bat = batOf(y.z_jahr);
    if (init_) prevTotal_ = pools_.c_dec + pools_.c_lts;

    SomYearInput si;
    si.initialise = init_;
    si.dyn_bd = o_.dyn_bd;
    si.dyn_lts = o_.dyn_lts;
    si.accumulationOnly = o_.accumulationOnly;
    si.non_bal = in_.non_bal;
    si.clay = clay_;
    si.bat = bat;
    si.stepwise = o_.stepwise;
    si.k = o_.k;
    for (const std::string& l : som_year_step(si, pools_, f, fom_)) line(l);

    double pwp_new = pwp_, n_lts = 0;
    if (o_.dyn_lts) {
        LtsInput li;
        li.silt = silt_;
        li.clay = clay_;
        li.c_total_prev = c_total_;
        li.bat = bat;
        li.hassink = o_.hassink;
        li.hf = hf_;
        li.kd = kd_;
        li.max_lts = max_lts_;
        li.cnrsom = o_.k.cnrsom;
        li.cnr_lts = cnr_lts_;
        li.hpwp = o_.k.hpwp;
        const LtsResult r = lts_step(li, f, pools_, lts_);
        pwp_new = r.pwp_new;
        n_lts = r.n_lts;
    }
    if (const char* quantity = first_non_finite(pools_, f)) return notFinite(y, quantity);
    f.n_m_om += f.n_flush - n_lts;
    init_ = false;

    YearResult res;
    res.fl_id = in_.fl_id;
    res.z_jahr = y.z_jahr;
    res.year_num = year_num_;
    const double fine = (1 - skelett_) * pools_.BD;
    double c_mic = kMarker, c_org = kMarker, n_som = kMarker, n_org = kMarker;
    const double c_stock = fom_.cops4corg() + pools_.c_dec + pools_.c_lts;
    if (!o_.accumulationOnly) {
        c_mic = ratio_or(pools_.c_am * fbio_, fine * 30, kMarker);
        c_total_ = c_stock;
        c_hws_ = ratio_or(pools_.c_dec, fchw_ * pools_.BD * 30 * (1 - skelett_), c_hws_);
        c_org = ratio_or(c_total_, fine * kSoilMassFactor, kMarker);
        n_som = pools_.c_dec / o_.k.cnrsom;
        if (pools_.c_lts > 0 && cnr_lts_ > 0) n_som += pools_.c_lts / cnr_lts_;
        n_org = ratio_or(ratio_or(n_som, pools_.BD * kSoilMassFactor, NAN), 1 - skelett_, kMarker);
    }
    const double n_ops = fom_.get_n_ops(), c_ops = fom_.get_c_ops();
    // All carbon of the plot: fresh organic matter counts once, whatever share of it the
    // soil's total organic carbon includes.
    const double newTotal = c_ops + pools_.c_dec + pools_.c_lts;
    const double c_m_tot = static_cast<double>(f.c_m_tot);
    if (!o_.accumulationOnly) {
        const long double gap = prevTotal_ + f.c_imp_fom - (newTotal + f.c_m_tot);
        if (std::fabs(static_cast<double>(gap)) > 0.001) {
            res.balanceError = true;
            const std::string text = std::string(kCarbonBalanceError) + ": FL_ID " + std::to_string(in_.fl_id) +
                                     ", year " + std::to_string(y.z_jahr) + ", " + log_number(static_cast<double>(gap)) +
                                     " kg C/ha unaccounted";
            line(text);
            message("warning", text);
        }
    }
    prevTotal_ = newTotal;
    const ModelConstants& k = o_.k;
    const double haeq = (pools_.c_am + pools_.c_sm) * k.ka * k.km / (k.ka + k.ks);
    const bool stocks = !o_.accumulationOnly;

    res.nresult = {static_cast<double>(in_.fl_id), static_cast<double>(y.z_jahr), static_cast<double>(year_num_),
                   static_cast<double>(f.n_m_om), n_ops, c_ops, stocks ? c_total_ : kMarker,
                   stocks ? round4(c_org) : kMarker, pools_.c_lts, n_som, n_org, c_mic,
                   static_cast<double>(f.c_rep), bat, static_cast<double>(f.n_flush), static_cast<double>(f.n_m_fom),
                   pools_.BD, pwp_new, lts_.a_age, lts_.s_age, lts_.l_age, c_m_tot, static_cast<double>(f.c_m_fom),
                   kMarker, kMarker, haeq, static_cast<double>(f.n_free_fom), static_cast<double>(f.c_imp_fom),
                   static_cast<double>(f.n_imp_fom)};
    res.zbv = {static_cast<double>(in_.fl_id), static_cast<double>(y.z_jahr), c_m_tot, static_cast<double>(f.c_m_fom),
               static_cast<double>(f.c_rep), c_ops, static_cast<double>(f.c_imp_fom), stocks ? c_total_ : kMarker,
               pools_.c_lts, stocks ? c_hws_ : kMarker, pools_.mkd_a, pools_.mkd_s, kMarker, kMarker, kMarker};
    if (stocks) {
        res.sim_exact = ratio_or(ratio_or(c_total_, pools_.BD * kSoilMassFactor, 0), 1 - skelett_, 0);
        res.sim_value = round4(res.sim_exact);
    }
    if (const std::string quantity = non_finite_result(res); !quantity.empty()) return notFinite(y, quantity);
    if (o_.scenario_ctrl > 0 && (y.lastOfRun || o_.scenario_ctrl == 2)) res.stateToStore = keptState();
    out_.years.push_back(std::move(res));
    return true;
}

bool PlotRun::humusBalanceYear(const Year& y)
{
    // The humus balance gives one number per year: the humus carbon reproduced by crops
    // and amendments (kg C/ha); a gap year has no management and balances to 0.
    const double saldo = y.filled ? 0 : y.row->hb_crop + y.row->hb_oram;
    YearResult res;
    res.fl_id = in_.fl_id;
    res.z_jahr = y.z_jahr;
    res.year_num = year_num_;
    res.nresult.fill(kMarker);
    res.nresult[0] = static_cast<double>(in_.fl_id);
    res.nresult[1] = y.z_jahr;
    res.nresult[2] = year_num_;
    res.nresult[12] = saldo;  // c_rep
    res.nresult[16] = y.row->bd;
    res.zbv.fill(kMarker);
    res.zbv[0] = static_cast<double>(in_.fl_id);
    res.zbv[1] = y.z_jahr;
    res.zbv[4] = saldo;  // c_rep_flx
    if (const std::string quantity = non_finite_result(res); !quantity.empty()) return notFinite(y, quantity);
    out_.years.push_back(std::move(res));
    return true;
}

} // namespace

PlotOutput simulate_plot(const PlotInput& in, const BalanceOptions& options, const std::function<bool()>& stopRequested)
{
    return PlotRun(in, options, stopRequested).run();
}

} // namespace vt::engine
