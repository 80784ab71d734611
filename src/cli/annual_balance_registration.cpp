// The command line runs the annual balance of this build after the run preparation.

#include "engine/annual_balance.h"
#include "engine/run_driver.h"

namespace {

const bool registered = [] {
    vt::engine::register_annual_balance(vt::engine::run_annual_balance);
    return true;
}();

} // namespace
