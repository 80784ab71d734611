#pragma once
#include <optional>
#include <string>
#include <vector>

namespace vt::db {
class Value;
}

namespace vt::workbench {

// The plots of an experiment: those with its code. A node of the browser's tree adds its
// location, since a plot moved to another location forms a node of its own under the same
// code. Plots are never chosen by location alone: two experiments may share one.
struct ExperimentPlots {
    std::string code;
    std::optional<std::string> location;
};

// The condition on field_description that selects them, its values appended to `params`.
std::string experiment_plots_condition(const ExperimentPlots& e, std::vector<db::Value>& params);

} // namespace vt::workbench
