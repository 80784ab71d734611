#pragma once
#include "db/statement.h"
#include "engine/balance/balance_types.h"

#include <optional>
#include <string>

namespace vt::db {
class Connection;
}

namespace vt::engine {

// A number as the state store writes it: 15 significant digits (what the decimal text of
// som_state and fom_state rows holds).
double state_number(long double v);

// The organic matter state store: som_state and fom_state rows per plot and year. The
// statements are prepared once per store.
class StateStore {
public:
    explicit StateStore(db::Connection& c);

    // Writes the state under (fl_id, yr), replacing a state stored there before. Failing
    // inserts are ignored; the rows already written stay.
    void store(long long fl_id, long long yr, const OmState& state);

    // The state stored under (fl_id, yr). Unless `ic` is "obsval" the plot must have
    // exactly one som_state row; otherwise nothing is loaded and `problem` receives
    // " no proper initial conditions found ". With "obsval" only the pools are read.
    std::optional<OmState> load(long long yr, long long fl_id, const std::string& ic, std::string* problem = nullptr);

private:
    db::Connection& c_;
    db::Statement deleteSom_;
    db::Statement deleteFom_;
    db::Statement insertSom_;
    db::Statement insertFom_;
    db::Statement selectSom_;
    db::Statement selectFom_;
};

// Total carbon of a state and its organic carbon content for the soil's clay.
double state_total(const OmState& state);
double state_corg(const OmState& state, double clay);

inline constexpr const char* kNoInitialState = " no proper initial conditions found ";
inline constexpr const char* kNoInitialStateCaption = " initialisation error";

} // namespace vt::engine
