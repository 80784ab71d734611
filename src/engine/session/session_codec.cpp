#include "engine/session/session_codec.h"

namespace vt::engine {

// Every field of these structs is written below: a struct that grows must grow its codec
// too, or a plot would reach another process without the new field.
static_assert(sizeof(BalanceRow) == 168, "BalanceRow changed: encode its new fields");
static_assert(sizeof(OmState) == 72, "OmState changed: encode its new fields");
static_assert(sizeof(PlotInput) == 240, "PlotInput changed: encode its new fields");
static_assert(sizeof(BalanceOptions) == 152, "BalanceOptions changed: encode its new fields");
static_assert(sizeof(YearResult) == 480, "YearResult changed: encode its new fields");
static_assert(sizeof(LogEvent) == 72, "LogEvent changed: encode its new fields");
static_assert(sizeof(PlotOutput) == 176, "PlotOutput changed: encode its new fields");
static_assert(std::is_trivially_copyable_v<FomAddition> && std::is_trivially_copyable_v<StoredPool> &&
              std::is_trivially_copyable_v<ModelConstants>);

namespace {

void encode(ByteWriter& w, const OmState& s)
{
    w.raw(s.c_am);
    w.raw(s.c_sm);
    w.raw(s.c_lts);
    w.raw(s.cnr_am);
    w.raw(s.cnr_sm);
    w.raw(s.cnr_lts);
    w.rawVector(s.pools);
}

void decode(ByteReader& r, OmState& s)
{
    s.c_am = r.raw<double>();
    s.c_sm = r.raw<double>();
    s.c_lts = r.raw<double>();
    s.cnr_am = r.raw<double>();
    s.cnr_sm = r.raw<double>();
    s.cnr_lts = r.raw<double>();
    s.pools = r.rawVector<StoredPool>();
}

void encode(ByteWriter& w, const std::optional<OmState>& s)
{
    w.raw(s.has_value());
    if (s) encode(w, *s);
}

void decode(ByteReader& r, std::optional<OmState>& s)
{
    s.reset();
    if (!r.raw<bool>()) return;
    s.emplace();
    decode(r, *s);
}

void encode(ByteWriter& w, const BalanceRow& b)
{
    w.raw(b.fl_id);
    w.text(b.i_con);
    w.raw(b.year_0);
    for (double v : {b.corg, b.norg, b.bd, b.skelett, b.max_lts, b.cif, b.pd, b.fc, b.fchw, b.fbio, b.clay, b.silt,
                     b.deg, b.hb_crop, b.hb_oram})
        w.raw(v);
}

void decode(ByteReader& r, BalanceRow& b)
{
    b.fl_id = r.raw<long long>();
    b.i_con = r.text();
    b.year_0 = r.raw<int>();
    for (double* v : {&b.corg, &b.norg, &b.bd, &b.skelett, &b.max_lts, &b.cif, &b.pd, &b.fc, &b.fchw, &b.fbio, &b.clay,
                      &b.silt, &b.deg, &b.hb_crop, &b.hb_oram})
        *v = r.raw<double>();
}

} // namespace

void encode(ByteWriter& w, const PlotInput& in)
{
    w.raw(in.fl_id);
    w.size(in.rows.size());
    for (const auto& row : in.rows) encode(w, row);
    w.size(in.bat.size());
    for (const auto& [year, bat] : in.bat) {
        w.raw(year);
        w.raw(bat);
    }
    w.size(in.additions.size());
    for (const auto& [year, list] : in.additions) {
        w.raw(year);
        w.rawVector(list);
    }
    w.raw(in.non_bal);
    w.raw(in.inPlotList);
    encode(w, in.storedState);
    w.text(in.storedStateProblem);
    w.raw(in.lastPlot);
    w.raw(in.awaitsStoredState);
}

void decode(ByteReader& r, PlotInput& in)
{
    in.fl_id = r.raw<long long>();
    in.rows.resize(r.size());
    for (auto& row : in.rows) decode(r, row);
    in.bat.resize(r.size());
    for (auto& [year, bat] : in.bat) {
        year = r.raw<int>();
        bat = r.raw<double>();
    }
    in.additions.clear();
    for (std::size_t n = r.size(); n > 0; --n) {
        const int year = r.raw<int>();
        in.additions[year] = r.rawVector<FomAddition>();
    }
    in.non_bal = r.raw<double>();
    in.inPlotList = r.raw<bool>();
    decode(r, in.storedState);
    in.storedStateProblem = r.text();
    in.lastPlot = r.raw<bool>();
    in.awaitsStoredState = r.raw<bool>();
}

void encode(ByteWriter& w, const BalanceOptions& o)
{
    w.raw(o.method);
    w.text(o.methode);
    w.text(o.modus);
    w.raw(o.accumulationOnly);
    w.raw(o.dyn_bd);
    w.raw(o.dyn_lts);
    w.raw(o.hassink);
    w.raw(o.scenario_ctrl);
    w.raw(o.z_cnt);
    w.raw(o.z_anf);
    w.raw(o.stepwise);
    w.raw(o.k);
}

void decode(ByteReader& r, BalanceOptions& o)
{
    o.method = r.raw<MethodKind>();
    o.methode = r.text();
    o.modus = r.text();
    o.accumulationOnly = r.raw<bool>();
    o.dyn_bd = r.raw<bool>();
    o.dyn_lts = r.raw<bool>();
    o.hassink = r.raw<bool>();
    o.scenario_ctrl = r.raw<int>();
    o.z_cnt = r.raw<int>();
    o.z_anf = r.raw<int>();
    o.stepwise = r.raw<bool>();
    o.k = r.raw<ModelConstants>();
}

void encode(ByteWriter& w, const PlotOutput& out)
{
    w.raw(out.fl_id);
    w.raw(out.status);
    w.size(out.years.size());
    for (const YearResult& y : out.years) {
        w.raw(y.fl_id);
        w.raw(y.z_jahr);
        w.raw(y.year_num);
        w.raw(y.nresult);
        w.raw(y.zbv);
        w.raw(y.sim_value);
        w.raw(y.sim_exact);
        encode(w, y.stateToStore);
        w.raw(y.balanceError);
    }
    w.size(out.log.size());
    for (const LogEvent& e : out.log) {
        w.raw(e.kind);
        w.text(e.caption);
        w.text(e.text);
    }
    encode(w, out.finalState);
    w.text(out.skipReason);
}

void decode(ByteReader& r, PlotOutput& out)
{
    out.fl_id = r.raw<long long>();
    out.status = r.raw<PlotStatus>();
    out.years.resize(r.size());
    for (YearResult& y : out.years) {
        y.fl_id = r.raw<long long>();
        y.z_jahr = r.raw<int>();
        y.year_num = r.raw<int>();
        y.nresult = r.raw<decltype(y.nresult)>();
        y.zbv = r.raw<decltype(y.zbv)>();
        y.sim_value = r.raw<std::optional<double>>();
        y.sim_exact = r.raw<double>();
        decode(r, y.stateToStore);
        y.balanceError = r.raw<bool>();
    }
    out.log.resize(r.size());
    for (LogEvent& e : out.log) {
        e.kind = r.raw<LogEvent::Kind>();
        e.caption = r.text();
        e.text = r.text();
    }
    decode(r, out.finalState);
    out.skipReason = r.text();
}

// The constants and factors only: parameters of substances and crops are not handed over
// (a session prepared elsewhere lacks the stored values they replace, so veltrano-mpi
// refuses them), and without them a session simulates with its input as prepared.
void encode(ByteWriter& w, const SessionParameters& p)
{
    w.raw(p.k);
    w.raw(p.f_bat);
    w.raw(p.f_bd);
    w.raw(p.f_crep);
}

void decode(ByteReader& r, SessionParameters& p)
{
    p = SessionParameters{};
    p.k = r.raw<ModelConstants>();
    p.f_bat = r.raw<double>();
    p.f_bd = r.raw<double>();
    p.f_crep = r.raw<double>();
}

} // namespace vt::engine
