#include "engine/balance/balance_options.h"

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

namespace {

std::string trimmed(std::string s)
{
    const auto notSpace = [](unsigned char ch) { return !std::isspace(ch); };
    s.erase(s.begin(), std::find_if(s.begin(), s.end(), notSpace));
    s.erase(std::find_if(s.rbegin(), s.rend(), notSpace).base(), s.end());
    return s;
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

long long stored_state_plot(const std::string& preCond, long long fl_id)
{
    char* end = nullptr;
    const long long n = std::strtoll(preCond.c_str(), &end, 10);
    return (end != preCond.c_str() && *end == '\0') ? n : fl_id;
}

} // namespace vt::engine
