#include "cli/plot_output.h"

#include "cli/command_registry.h"

#include <ostream>

namespace vt::cli {

void print_change_report(std::ostream& out, const workbench::ChangeReport& r)
{
    if (r.dryRun) out << "dry run: nothing changed; the operation would change\n";
    for (const auto& [table, n] : r.rows) out << "  " << table << ": " << n << (n == 1 ? " row\n" : " rows\n");
}

long long integer_option(const std::string& text, const std::string& option)
{
    try {
        return workbench::require_user_integer(text, option);
    } catch (const workbench::BrowserInputError& e) {
        throw CommandError(e.what());
    }
}

workbench::ChangeReport run_operation(const std::function<workbench::ChangeReport()>& op)
{
    try {
        return op();
    } catch (const workbench::BrowserInputError& e) {
        throw CommandError(e.what());
    }
}

} // namespace vt::cli
