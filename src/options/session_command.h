#pragma once
// What calibrate and uncertainty of veltrano-cli and veltrano-mpi do alike before and after
// their job: the plots chosen, and the job's refusals turned into the command's error
// (`Error(message, exitCode)`, exit code 2 for bad input).
#include "db/connection.h"
#include "workbench/session_jobs.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace vt::options {

// The plots of --plots ("101,102"), else those of --experiment (field_description's
// versuch_code), else the plots flagged in site_state.
template <class Error>
std::vector<long long> session_plots(db::Connection& c, const std::string& plots, const std::string& experiment)
{
    if (!plots.empty() && !experiment.empty()) throw Error("give --plots or --experiment, not both", 2);
    try {
        if (!plots.empty()) return workbench::plots_of_list(c, plots);
        if (!experiment.empty()) return workbench::plots_of_experiment(c, experiment);
    } catch (const workbench::PlotNumberError& e) {
        throw Error(std::string("--plots: ") + e.what(), 2);
    } catch (const workbench::SessionInputError& e) {
        throw Error(e.what(), 2);
    }
    auto out = workbench::flagged_plots(c);
    if (out.empty()) throw Error("no plot is flagged in site_state: give --plots or --experiment", 2);
    return out;
}

// The --param texts parsed one by one (eval::parse_parameter_bounds or
// parse_uncertain_parameter); a text the parser refuses ends the command with its message.
template <class Error, class Parse>
auto parsed_parameters(const std::vector<std::string>& texts, Parse&& parse)
{
    std::vector<decltype(parse(std::string()))> out;
    try {
        for (const auto& t : texts) out.push_back(parse(t));
    } catch (const std::invalid_argument& e) {
        throw Error(e.what(), 2);
    }
    return out;
}

// Runs a calibration or uncertainty job: exit code 2 for input it cannot use, 1 when the
// preparation fails or was stopped.
template <class Error, class Job>
auto run_session_job(Job&& job) -> decltype(job())
{
    try {
        auto outcome = job();
        if (outcome.end == workbench::JobEnd::StoppedInPreparation) throw Error("stopped; nothing was written", 1);
        return outcome;
    } catch (const workbench::SessionInputError& e) {
        throw Error(e.what(), 2);
    } catch (const workbench::PreparationError& e) {
        throw Error(e.what(), 1);
    }
}

} // namespace vt::options
