#include "eval/calibration.h"

#include "base/number_format.h"
#include "base/text.h"
#include "db/connection.h"
#include "db/keys.h"
#include "db/sql_quote.h"
#include "eval/parameter_text.h"

#include <linalg.h>
#include <optimization.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace vt::eval {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The residual of every pair in an evaluation where a plot does not finish: far beyond any
// difference of contents (% C, % N, mg C/100 g), so that no such point is ever accepted.
constexpr double kFailedResidual = 1e6;

// The first plot of a simulation that did not finish, with its reason; empty when all did.
std::string unfinished_plot(const std::vector<engine::PlotOutput>& outputs)
{
    for (const engine::PlotOutput& o : outputs)
        if (o.status != engine::PlotStatus::Simulated)
            return "plot " + std::to_string(o.fl_id) + (o.skipReason.empty() ? "" : " (" + o.skipReason + ")");
    return {};
}

// The fit in variables scaled by the start values, so that every variable is about 1.
struct FitContext {
    const engine::SimulationSession& session;
    const ObservationPairs& pairs;
    const CalibrationRequest& request;
    engine::SessionParameters base;
    std::vector<std::string> names;
    std::vector<double> scale;
    alglib::minlmstate* state = nullptr;
    int evaluations = 0;
    bool stopped = false;

    engine::SessionParameters at(const double* x) const
    {
        engine::SessionParameters p = base;
        for (std::size_t i = 0; i < names.size(); ++i) *engine::session_parameter(p, names[i]) = x[i] * scale[i];
        return p;
    }
    // Evaluations in which a plot did not finish (none of its values to compare): their
    // residuals are kFailedResidual, so that the fit steps back from such parameters.
    mutable int failedEvaluations = 0;
    double residuals(const engine::SessionParameters& p, double* out) const
    {
        const auto outputs = session.simulate(p, request.jobs);
        if (!unfinished_plot(outputs).empty()) {
            ++failedEvaluations;
            std::fill(out, out + pairs.size(), kFailedResidual);
        } else {
            pairs.residuals(outputs, out);
        }
        double sse = 0;
        for (std::size_t i = 0; i < pairs.size(); ++i) sse += out[i] * out[i];
        return sse;
    }
};

void fit_residuals(const alglib::real_1d_array& x, alglib::real_1d_array& fi, void* ptr)
{
    auto& ctx = *static_cast<FitContext*>(ptr);
    const double sse = ctx.residuals(ctx.at(x.getcontent()), fi.getcontent());
    ++ctx.evaluations;
    if (ctx.request.progress) ctx.request.progress(ctx.evaluations, sse);
    if (!ctx.stopped && ctx.request.stop && ctx.request.stop()) {
        ctx.stopped = true;
        alglib::minlmrequesttermination(*ctx.state);
    }
}

// Standard errors and correlations from the Jacobian of the simulated values at the fit
// (central differences in the parameters' own units, one-sided at a bound):
// covariance = s^2 (J'J)^-1 with s^2 = SSE / (pairs - parameters).
void add_uncertainty(const FitContext& ctx, CalibrationResult& r)
{
    const std::size_t n = r.parameters.size(), m = ctx.pairs.size();
    r.correlation.assign(n, std::vector<double>(n, kNaN));
    for (auto& p : r.parameters) p.stdError = kNaN;
    if (m <= n) return;
    std::vector<std::vector<double>> jac(n, std::vector<double>(m));
    std::vector<double> up(m), down(m);
    for (std::size_t i = 0; i < n; ++i) {
        const FittedParameter& fp = r.parameters[i];
        const double h = 1e-4 * (std::fabs(fp.fitted) > 0 ? std::fabs(fp.fitted) : fp.high - fp.low);
        const double hi = std::min(fp.fitted + h, fp.high), lo = std::max(fp.fitted - h, fp.low);
        if (!(hi > lo)) return;
        engine::SessionParameters p = r.fittedParameters;
        *engine::session_parameter(p, fp.name) = hi;
        ctx.residuals(p, up.data());
        *engine::session_parameter(p, fp.name) = lo;
        ctx.residuals(p, down.data());
        // Residuals are observed - simulated: the simulated values move the other way.
        for (std::size_t k = 0; k < m; ++k) jac[i][k] = (down[k] - up[k]) / (hi - lo);
    }
    alglib::real_2d_array jtj;
    jtj.setlength(static_cast<alglib::ae_int_t>(n), static_cast<alglib::ae_int_t>(n));
    for (std::size_t a = 0; a < n; ++a)
        for (std::size_t b = 0; b < n; ++b) {
            double s = 0;
            for (std::size_t k = 0; k < m; ++k) s += jac[a][k] * jac[b][k];
            jtj(static_cast<alglib::ae_int_t>(a), static_cast<alglib::ae_int_t>(b)) = s;
        }
    alglib::ae_int_t info = 0;
    alglib::matinvreport rep;
    alglib::rmatrixinverse(jtj, info, rep);
    if (info != 1) return;
    const double s2 = r.sseAfter / static_cast<double>(m - n);
    for (std::size_t a = 0; a < n; ++a) {
        const double v = s2 * jtj(static_cast<alglib::ae_int_t>(a), static_cast<alglib::ae_int_t>(a));
        r.parameters[a].stdError = v >= 0 ? std::sqrt(v) : kNaN;
    }
    for (std::size_t a = 0; a < n; ++a)
        for (std::size_t b = 0; b < n; ++b) {
            const double d = std::sqrt(jtj(static_cast<alglib::ae_int_t>(a), static_cast<alglib::ae_int_t>(a)) *
                                       jtj(static_cast<alglib::ae_int_t>(b), static_cast<alglib::ae_int_t>(b)));
            if (d > 0) r.correlation[a][b] = jtj(static_cast<alglib::ae_int_t>(a), static_cast<alglib::ae_int_t>(b)) / d;
        }
}

std::string number_or_null(double v) { return std::isfinite(v) ? base::format_number(v) : "NULL"; }

} // namespace

ParameterBounds parse_parameter_bounds(const std::string& text)
{
    const auto eq = text.find('=');
    const auto colon = text.find(':', eq == std::string::npos ? 0 : eq);
    if (eq == std::string::npos || colon == std::string::npos)
        throw std::invalid_argument("--param wants NAME=LOW:HIGH, not \"" + text + "\"");
    ParameterBounds b;
    const std::string name = base::trim(text.substr(0, eq));
    const auto item = engine::item_parameter(name);
    b.name = item ? engine::item_parameter_name(*item) : base::to_upper(name);
    b.low = parse_finite_number(text.substr(eq + 1, colon - eq - 1), "lower bound of " + b.name);
    b.high = parse_finite_number(text.substr(colon + 1), "upper bound of " + b.name);
    return b;
}

CalibrationResult calibrate(const engine::SimulationSession& session, const ObservationPairs& pairs,
                            const CalibrationRequest& request)
{
    if (request.parameters.empty()) throw std::invalid_argument("no parameter to fit: give --param NAME=LOW:HIGH");
    if (pairs.size() == 0) throw std::invalid_argument("the chosen plots have no observations of the property to fit");
    FitContext ctx{session, pairs, request, session.baseParameters(), {}, {}};
    CalibrationResult r;
    const std::size_t n = request.parameters.size();
    alglib::real_1d_array x, lo, hi;
    x.setlength(static_cast<alglib::ae_int_t>(n));
    lo.setlength(static_cast<alglib::ae_int_t>(n));
    hi.setlength(static_cast<alglib::ae_int_t>(n));
    for (std::size_t i = 0; i < n; ++i) {
        const ParameterBounds& b = request.parameters[i];
        if (!engine::session_parameter(ctx.base, b.name)) {
            std::string known;
            for (const auto& name : engine::session_parameter_names()) known += (known.empty() ? "" : ", ") + name;
            if (engine::item_parameter(b.name))
                throw std::invalid_argument("no item " + b.name + " in the database's parameter tables");
            throw std::invalid_argument("unknown parameter " + b.name + " (known: " + known + ", " +
                                        engine::item_parameter_forms() + ")");
        }
        for (const auto& name : ctx.names)
            if (name == b.name) throw std::invalid_argument("parameter " + b.name + " is named twice");
        const double start = engine::session_parameter(std::as_const(ctx.base), b.name);
        if (!(b.low < b.high) || start < b.low || start > b.high)
            throw std::invalid_argument("the bounds " + base::format_number(b.low) + ":" + base::format_number(b.high) +
                                        " of " + b.name + " do not enclose its start value " +
                                        base::format_number(start));
        const double scale = start != 0 ? std::fabs(start) : b.high - b.low;
        ctx.names.push_back(b.name);
        ctx.scale.push_back(scale);
        x[static_cast<alglib::ae_int_t>(i)] = start / scale;
        lo[static_cast<alglib::ae_int_t>(i)] = b.low / scale;
        hi[static_cast<alglib::ae_int_t>(i)] = b.high / scale;
        r.parameters.push_back({b.name, b.low, b.high, start, start, kNaN, false});
    }

    const std::size_t m = pairs.size();
    std::vector<double> res(m);
    const auto startOutputs = session.simulate(ctx.base, request.jobs);
    if (const std::string failed = unfinished_plot(startOutputs); !failed.empty())
        throw std::runtime_error("with the start values " + failed + " does not finish; nothing was fitted");
    r.before = pairs.plotFits(startOutputs);
    pairs.residuals(startOutputs, res.data());
    for (double v : res) r.sseBefore += v * v;
    r.pairs = m;

    alglib::minlmstate state;
    // One residual more than there are pairs is never needed; ALGLIB wants at least one.
    alglib::minlmcreatev(static_cast<alglib::ae_int_t>(n), static_cast<alglib::ae_int_t>(m), x, 1e-6, state);
    alglib::minlmsetbc(state, lo, hi);
    alglib::minlmsetcond(state, 1e-10, request.maxIterations);
    ctx.state = &state;
    alglib::minlmoptimize(state, fit_residuals, nullptr, &ctx);
    alglib::minlmreport rep;
    alglib::minlmresults(state, x, rep);
    r.iterations = static_cast<int>(rep.iterationscount);
    r.terminationType = static_cast<int>(rep.terminationtype);
    r.evaluations = ctx.evaluations;
    r.stopped = ctx.stopped;

    r.fittedParameters = ctx.at(x.getcontent());
    for (std::size_t i = 0; i < n; ++i) {
        FittedParameter& p = r.parameters[i];
        p.fitted = engine::session_parameter(std::as_const(r.fittedParameters), p.name);
        const double tol = 1e-9 * (p.high - p.low);
        p.atBound = p.fitted <= p.low + tol || p.fitted >= p.high - tol;
    }
    r.failedEvaluations = ctx.failedEvaluations;
    const auto fittedOutputs = session.simulate(r.fittedParameters, request.jobs);
    if (const std::string failed = unfinished_plot(fittedOutputs); !failed.empty() && !r.stopped)
        throw std::runtime_error("with the fitted values " + failed + " does not finish; nothing was stored");
    r.after = pairs.plotFits(fittedOutputs);
    pairs.residuals(fittedOutputs, res.data());
    r.sseAfter = 0;
    for (double v : res) r.sseAfter += v * v;
    if (!r.stopped) add_uncertainty(ctx, r);
    return r;
}

namespace {

// rux_calibration with the columns of an applied fit, added to a table of an older version.
void create_calibration_table(db::Connection& c)
{
    c.execute("CREATE TABLE IF NOT EXISTS rux_calibration (run_time text, parameter text, low double, high double, "
              "start_value double, fitted_value double, std_error double, at_bound YESNO, correlation text, "
              "m_ix int, pairs int, sse_before double, sse_after double, iterations int, settings text, "
              "applied text, previous_value, applied_item int)");
    // previous_value has no type: it keeps the value exactly as its table held it.
    for (const auto& [column, type] : {std::pair{"applied", " text"}, {"previous_value", ""}, {"applied_item", " int"}})
        if (!c.columnExists("rux_calibration", column))
            c.execute(std::string("ALTER TABLE rux_calibration ADD COLUMN ") + column + type);
}

} // namespace

void store_calibration(db::Connection& c, const CalibrationResult& r, int m_ix, const std::string& runTime,
                       const std::string& settings)
{
    db::Transaction tx(c);
    create_calibration_table(c);
    c.execute("CREATE TABLE IF NOT EXISTS rux_calibration_fit (run_time text, fl_id int, n int, me_before double, "
              "rmse_before double, ef_before double, me_after double, rmse_after double, ef_after double)");
    for (std::size_t i = 0; i < r.parameters.size(); ++i) {
        const FittedParameter& p = r.parameters[i];
        std::string corr;
        for (std::size_t j = 0; j < r.parameters.size(); ++j)
            corr += (j ? " " : "") + number_or_null(r.correlation.empty() ? kNaN : r.correlation[i][j]);
        const auto orNull = [](double v) { return std::isfinite(v) ? db::Value(v) : db::Value(); };
        c.execute("INSERT INTO rux_calibration (run_time, parameter, low, high, start_value, fitted_value, std_error, "
                  "at_bound, correlation, m_ix, pairs, sse_before, sse_after, iterations, settings) "
                  "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                  {runTime, p.name, p.low, p.high, p.start, p.fitted, orNull(p.stdError),
                   static_cast<long long>(p.atBound ? -1 : 0), corr, static_cast<long long>(m_ix),
                   static_cast<long long>(r.pairs), r.sseBefore, r.sseAfter, static_cast<long long>(r.iterations),
                   settings});
    }
    for (std::size_t i = 0; i < r.after.size(); ++i) {
        const PlotFit& a = r.after[i];
        const PlotFit b = i < r.before.size() ? r.before[i] : PlotFit{};
        c.execute("INSERT INTO rux_calibration_fit VALUES (?,?,?,?,?,?,?,?,?)",
                  {runTime, a.fl_id, static_cast<long long>(a.n), b.me, b.rmse, b.ef, a.me, a.rmse, a.ef});
    }
    tx.commit();
}

namespace {

// store_fitted_constants within the caller's transaction.
long long insert_fitted_constants(db::Connection& c, const CalibrationResult& r, const std::string& name)
{
    if (!c.tableExists("gldaparm")) throw std::runtime_error("the database has no table gldaparm");
    if (c.query("SELECT item_ix FROM gldaparm WHERE item_ix=1").eof())
        throw std::runtime_error("gldaparm has no row item_ix 1 to copy the other constants from");
    const long long item = db::get_key(c, "gldaparm", "item_ix");
    c.executeIgnoringErrors("DROP TABLE temp.veltrano_fitted_row");
    c.execute("CREATE TEMP TABLE veltrano_fitted_row AS SELECT * FROM gldaparm WHERE item_ix=1");
    c.execute("UPDATE temp.veltrano_fitted_row SET item_ix=?, NAME=?", {item, name});
    for (const FittedParameter& p : r.parameters) {
        if (!is_model_constant(p.name)) continue;
        // The name is one of the session's known constants, which are gldaparm's columns.
        c.execute("UPDATE temp.veltrano_fitted_row SET " + db::quote_ident(p.name) + "=?", {p.fitted});
    }
    c.execute("INSERT INTO gldaparm SELECT * FROM temp.veltrano_fitted_row");
    c.execute("DROP TABLE temp.veltrano_fitted_row");
    return item;
}

} // namespace

long long store_fitted_constants(db::Connection& c, const CalibrationResult& r, const std::string& name)
{
    db::Transaction tx(c);
    const long long item = insert_fitted_constants(c, r, name);
    tx.commit();
    return item;
}

} // namespace vt::eval

namespace vt::eval {

bool is_model_constant(const std::string& name)
{
    return name.rfind("F_", 0) != 0 && !engine::item_parameter(name);
}

namespace {

std::string key_column(const std::string& table)
{
    for (const auto& t : engine::item_parameter_tables())
        if (table == t.table) return t.key;
    throw std::invalid_argument("no parameter table " + table);
}

} // namespace

db::Value stored_item_value(db::Connection& c, const engine::ItemParameter& p)
{
    if (!c.tableExists(p.table) || !c.columnExists(p.table, p.column))
        throw std::runtime_error("the database has no column " + p.column + " in " + p.table);
    auto cur = c.query("SELECT " + db::quote_ident(p.column) + " FROM " + db::quote_ident(p.table) + " WHERE " +
                           db::quote_ident(key_column(p.table)) + "=?",
                       {p.item});
    if (cur.eof()) throw std::runtime_error(p.table + " has no item " + std::to_string(p.item));
    return cur.field(0);
}

AppliedCalibration apply_calibration(db::Connection& c, const CalibrationResult& r, const std::string& runTime,
                                     const std::string& appliedAt)
{
    if (!c.tableExists("rux_calibration") ||
        c.query("SELECT 1 FROM rux_calibration WHERE run_time=?", {runTime}).eof())
        throw std::runtime_error("no calibration of " + runTime + " in rux_calibration");
    db::Transaction tx(c);
    create_calibration_table(c);
    if (!c.query("SELECT 1 FROM rux_calibration WHERE run_time=? AND applied IS NOT NULL", {runTime}).eof())
        throw std::runtime_error("the calibration of " + runTime + " has been applied already");
    AppliedCalibration out;
    bool constants = false;
    for (const FittedParameter& p : r.parameters) {
        if (p.name.rfind("F_", 0) == 0) {
            out.factors.push_back(p.name);
            continue;
        }
        const auto item = engine::item_parameter(p.name);
        if (!item) {
            constants = true;
            continue;
        }
        const db::Value previous = stored_item_value(c, *item);
        c.execute("UPDATE " + db::quote_ident(item->table) + " SET " + db::quote_ident(item->column) + "=? WHERE " +
                      db::quote_ident(key_column(item->table)) + "=?",
                  {p.fitted, item->item});
        c.execute("UPDATE rux_calibration SET applied=?, previous_value=? WHERE run_time=? AND parameter=?",
                  {appliedAt, previous, runTime, p.name});
        out.items.push_back(p.name);
    }
    if (constants) {
        out.constantsItem = insert_fitted_constants(c, r, "calibrated " + runTime);
        for (const FittedParameter& p : r.parameters)
            if (is_model_constant(p.name))
                c.execute("UPDATE rux_calibration SET applied=?, applied_item=? WHERE run_time=? AND parameter=?",
                          {appliedAt, out.constantsItem, runTime, p.name});
    }
    tx.commit();
    return out;
}

std::vector<std::string> undo_calibration(db::Connection& c, const std::string& runTime)
{
    if (!c.tableExists("rux_calibration") || !c.columnExists("rux_calibration", "applied"))
        throw std::runtime_error("no calibration has been applied in this database");
    struct Row {
        std::string parameter;
        double fitted = 0;
        db::Value previous;
        db::Value constantsItem;
    };
    std::vector<Row> rows;
    for (auto cur = c.query("SELECT parameter, fitted_value, previous_value, applied_item FROM rux_calibration "
                            "WHERE run_time=? AND applied IS NOT NULL ORDER BY rowid",
                            {runTime});
         !cur.eof(); cur.next())
        rows.push_back({cur.field(0).toString(), cur.field(1).toDouble(), cur.field(2), cur.field(3)});
    if (rows.empty()) {
        if (c.query("SELECT 1 FROM rux_calibration WHERE run_time=?", {runTime}).eof())
            throw std::runtime_error("no calibration of " + runTime + " in rux_calibration");
        throw std::runtime_error("the calibration of " + runTime + " is not applied: nothing to undo");
    }
    // A value changed since the fit was applied is someone's later work: nothing is undone.
    for (const Row& row : rows) {
        const auto item = engine::item_parameter(row.parameter);
        if (!item) continue;
        const db::Value now = stored_item_value(c, *item);
        if (now.isNull() || now.toDouble() != row.fitted)
            throw std::runtime_error(row.parameter + " is " + (now.isNull() ? std::string("empty") : now.toString()) +
                                     ", not the applied " + base::format_number(row.fitted) +
                                     ": it was changed since; nothing was undone");
    }
    std::vector<std::string> undone;
    db::Transaction tx(c);
    long long constantsItem = 0;
    for (const Row& row : rows) {
        if (const auto item = engine::item_parameter(row.parameter)) {
            c.execute("UPDATE " + db::quote_ident(item->table) + " SET " + db::quote_ident(item->column) + "=? WHERE " +
                          db::quote_ident(key_column(item->table)) + "=?",
                      {row.previous, item->item});
            undone.push_back(row.parameter + " = " + (row.previous.isNull() ? "NULL" : row.previous.toString()));
        } else if (!row.constantsItem.isNull()) {
            constantsItem = row.constantsItem.toInt();
        }
    }
    if (constantsItem > 0 && c.tableExists("gldaparm") &&
        c.execute("DELETE FROM gldaparm WHERE item_ix=? AND item_ix<>1 AND NAME=?",
                  {constantsItem, "calibrated " + runTime}) > 0)
        undone.push_back("gldaparm item_ix " + std::to_string(constantsItem) + " removed");
    c.execute("UPDATE rux_calibration SET applied=NULL, previous_value=NULL, applied_item=NULL WHERE run_time=?",
              {runTime});
    tx.commit();
    return undone;
}

} // namespace vt::eval
