#pragma once
#include "workbench/browser_common.h"

#include <optional>
#include <string>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::workbench {

// An observed property (GLN_MWML).
struct PropertyChoice {
    int mix = 0;
    std::string name;
    std::string unit;
};
std::vector<PropertyChoice> property_choices(db::Connection& c);

// A row of the observation list.
struct ObservationRow {
    long long id = 0;  // meas_ID
    int year = 0, month = 0, day = 0;
    int yearNumber = 0;
    int mix = 0;
    double value = 0;
    std::optional<double> variance;
    std::string property;  // its name; "" when the code is not in GLN_MWML
};
// The plot's observations in year-number order; with `onlyProperty` those of one property.
std::vector<ObservationRow> observation_rows(db::Connection& c, long long flId, std::optional<int> onlyProperty = std::nullopt);

// An observation as typed on the page.
struct ObservationInput {
    long long flId = 0;
    bool insert = true;
    long long measId = 0;      // the row to overwrite
    int mix = 7;
    std::string firstYear;     // the "1st year" of the plot, "-99" when not known
    int year = 0, month = 1, day = 1;
    std::string value;         // empty: 0
    std::string variance;      // empty: 0
    bool initial = false;      // "initial value"
};

struct ObservationSaved {
    long long measId = 0;
    int firstYear = -99;       // the plot's first year after the save (the new one after an initial value)
    int yearNumber = 0;
    int resultsDiscarded = 0;  // sim_result rows of the plot removed
};

// Inserts or overwrites one observation, all or nothing. A first year, value or variance
// that is not a number is refused (BrowserInputError) before any statement runs; soil
// carbon without a first year and not marked as initial value is refused with "please edit
// first the initial value" (caption "OPERATION DENIED"). A new initial value of property 0
// or 7 retires the former one (year number -99), becomes year number 0, renumbers the later
// observations of the property from its year and turns a plot of initialisation "null"
// into "obsval". The plot's simulated values are discarded: they no longer match.
ObservationSaved save_observation(db::Connection& c, const ObservationInput& in);
// Deletes one observation of the plot; returns the rows deleted.
int delete_observation(db::Connection& c, long long flId, long long measId);

} // namespace vt::workbench
