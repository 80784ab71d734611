#include "engine/run/run_preconditions.h"

#include "base/text.h"
#include "config/rux_settings.h"
#include "db/connection.h"

#include <cmath>
#include "config/settings_keys.h"

namespace vt::engine {

std::vector<std::string> settings_problems(const config::RuxSettings& s)
{
    std::vector<std::string> problems;
    if (!s.exists()) return problems;
    // The value of `key` when it is given: a number within lo..hi, a whole one if `whole`.
    const auto check = [&](const std::string& key, double lo, double hi, bool whole, const std::string& meaning) {
        const auto text = s.text(key);
        if (!text || base::trim(*text).empty()) return;
        const auto v = s.number(key);
        if (!v || (whole && *v != std::floor(*v)) || *v < lo || *v > hi)
            problems.push_back("setting \"" + key + "\" = \"" + *text + "\" is not " + meaning + " (" + s.path() + ")");
    };
    check(config::key::ptfmode, 1, 4, true, "a pedotransfer method 1..4");
    check(config::key::pf_wp, 1, 70, false, "a pF of the wilting point in tenths, 1..70");
    check(config::key::pf_fk, 1, 70, false, "a pF of field capacity in tenths, 1..70");
    check(config::key::hassink, 0, 1, true, "0 or 1");
    check(config::key::scenario, 0, 2, true, "0, 1 or 2");
    for (const char* flag : {config::key::recalc_bat, config::key::dyn_lts, config::key::dyn_bd}) check(flag, -1e15, 1e15, true, "a whole number");
    return problems;
}

std::string experiment_database_problem(db::Connection& c)
{
    for (const char* table : {"site_state", "field_description", "cultivation"})
        if (!c.tableExists(table))
            return c.path() + " is not an experiment database (it has no table " + table + "); nothing was changed";
    return {};
}

} // namespace vt::engine
