#include "eval/stats_accumulator.h"

#include "db/connection.h"
#include "base/number_format.h"

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>

namespace vt::eval {

namespace {

// A number for the statistics tables: decimal point, and always written as a real
// number so that a typeless column keeps it as one. Values that cannot be computed are
// stored as -999.
std::string stored_number(long double v)
{
    if (!std::isfinite(v)) return "-999.0";
    std::string s = base::format_number(static_cast<double>(v));
    if (s.find_first_of(".eE") == std::string::npos) s += ".0";
    return s;
}

} // namespace

std::string display_number(long double v) { return base::format_statistic(v); }

StatsAccumulator::StatsAccumulator(std::string table, NumberFormat format)
    : table_(std::move(table)), format_(std::move(format))
{
}

void add_pair(PairSums& p, double year, double observed, double simulated)
{
    const long double o = observed, s = simulated;
    ++p.n;
    p.o += o;
    p.o2 += o * o;
    p.s += s;
    p.s2 += s * s;
    p.os += o * s;
    const long double d = o - s;
    p.dRel += d / o;
    p.d += d;
    p.d2 += d * d;
    const long double tau = static_cast<long double>(year) / 1000;
    p.tau += tau;
    p.tau2 += tau * tau;
    p.dTau += d * tau;
}

void StatsAccumulator::reset(long long plot)
{
    plot_ = plot;
    sums_ = PairSums{};
    lines_.clear();
    chart_.clear();
}

void StatsAccumulator::add(double year, bool counted, bool notOutlier, double simulated, double observed)
{
    if (simulated > 0 && counted && notOutlier && observed != 0) add_pair(sums_, year, observed, simulated);

    if (notOutlier && observed > 0) chart_.series[DynamicsChart::Observed].push_back({year, observed});
    if (!notOutlier && observed > 0) chart_.series[DynamicsChart::Outliers].push_back({year, observed});
    if (simulated > 0) chart_.series[DynamicsChart::Simulated].push_back({year, simulated});

    chart_.lastYear = year;
    chart_.firstYear = std::min(chart_.firstYear, year);
    chart_.lastYearSeen = std::max(chart_.lastYearSeen, year);
    const double lower = observed == 0 ? simulated : std::min(observed, simulated);
    if (lower > 0) chart_.smallest = std::min(chart_.smallest, lower);
    chart_.largest = std::max(chart_.largest, std::max(observed, simulated));
}

void StatsAccumulator::report()
{
    const auto f = statistics();
    if (!f) return;
    auto line = [this](const std::string& label, long double v) { lines_.push_back(label + format_(v)); };

    lines_.push_back(" N         =" + std::to_string(f->n));
    line(" mean error=", f->me);
    line(" rel.err =", f->relErr);
    line(" E        =", f->e);
    line(" RMSE     =", f->rmse);
    line(" RMSErel  =", f->rmseRel);
    line(" efficiency=", f->ef);
    if (f->s) {
        line(" s  =", *f->s);
        line(" smw=", *f->smw);
        lines_.push_back(f->noBias() ? "        no significant bias detected" : "        bias detected");
    } else {
        lines_.push_back("  not enough data for more statistics");
    }

    // A failed root or division in either correlation replaces the critical value and
    // both correlation lines with one error line.
    if (f->rFailed) {
        lines_.push_back(" error in r calculation ");
    } else {
        if (f->rKrit) line("critical r value =", *f->rKrit);
        line(" corr.(obs~sim) r=", *f->r);
        line(" corr.(dif~ t } r=", *f->rDif);
    }

    if (const auto& dec = f->decomposition) {
        auto share = [&](const std::optional<long double>& v) {
            lines_.push_back("       (" + (v ? format_(*v) : format_(-999)) + ")");
        };
        line("squared bias=", dec->sb);
        share(dec->sbShare);
        line("nonunity slp=", dec->nu);
        share(dec->nuShare);
        line("lack of corr=", dec->lc);
        share(dec->lcShare);
    }
}

std::string StatsAccumulator::storeStatement(bool withDecomposition) const
{
    const auto f = statistics();
    if (!f) return {};
    std::string sql = "update " + table_ + " set N=" + std::to_string(f->n);
    sql += " ,RMS=" + stored_number(f->rmse);
    sql += " ,MED=" + stored_number(f->me);
    sql += " ,SMW=" + stored_number(f->smw ? *f->smw : -999);
    sql += " ,s=" + stored_number(f->s ? *f->s : -999);
    sql += " ,RELE=" + stored_number(f->rele);
    sql += " ,EF=" + stored_number(f->ef);
    sql += " ,rmsprz=" + stored_number(f->rmsprz);
    sql += " ,medprz=" + stored_number(f->medprz);
    if (withDecomposition) {
        const auto& dec = f->decomposition;
        sql += " ,SB=" + stored_number(dec ? dec->sb : -999);
        sql += " ,NU=" + stored_number(dec ? dec->nu : -999);
        sql += " ,LC=" + stored_number(dec ? dec->lc : -999);
    }
    if (f->rKrit) sql += " ,R_krit=" + stored_number(*f->rKrit);
    if (f->r && f->rDif) {
        sql += " ,R_sim=" + stored_number(*f->r);
        sql += " ,R_dif=" + stored_number(*f->rDif);
    }
    sql += " where fl_id=" + std::to_string(plot_);
    return sql;
}

void StatsAccumulator::store(db::Connection& c) const
{
    const bool withDecomposition =
        c.columnExists(table_, "NU") && c.columnExists(table_, "SB") && c.columnExists(table_, "LC");
    const std::string sql = storeStatement(withDecomposition);
    if (!sql.empty()) c.execute(sql);
}

} // namespace vt::eval
