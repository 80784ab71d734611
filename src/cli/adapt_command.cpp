// veltrano-cli adapt: brings a database to the current layout, as opening it does.

#include "cli/command_registry.h"
#include "workbench/database_file.h"
#include "config/rux_settings.h"
#include "workbench/command_data.h"

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

namespace vt::cli {

namespace {

void run(const std::string& file, Context& ctx)
{
    auto c = workbench::open_database_file(file, workbench::DatabaseAccess::Update);
    config::RuxSettings settings;
    if (!settings.exists()) settings.writeFirstStartDefaults(file, std::filesystem::current_path().string());
    const auto result = workbench::adapt_database(*c, &settings);
    ctx.out << result.caption << '\n';
}

const Registrar registrar("adapt", [](CLI::App& app, Context& ctx) {
    auto file = std::make_shared<std::string>();
    auto* sub = app.add_subcommand("adapt", "Bring a database to the current layout and show its model method");
    sub->add_option("FILE", *file, "The database file")->required();
    sub->callback([file, &ctx] { run(*file, ctx); });
});

} // namespace

} // namespace vt::cli
