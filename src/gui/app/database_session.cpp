#include "gui/app/database_session.h"

#include "db/connection.h"
#include "workbench/database_file.h"
#include "workbench/command_data.h"
#include "workbench/database_upkeep.h"

#include "config/rux_settings.h"

#include <filesystem>
#include <stdexcept>

namespace vt::gui {

DatabaseSession::DatabaseSession() = default;
DatabaseSession::~DatabaseSession() = default;

void DatabaseSession::open(const std::string& path)
{
    auto c = workbench::open_database_file(path, workbench::DatabaseAccess::Work);
    const auto adapted = workbench::adapt_database(*c, settings_);
    workbench::complete_site_state(*c);
    methode_ = adapted.methode;
    caption_ = adapted.caption;
    connection_ = std::move(c);
}

void DatabaseSession::close()
{
    connection_.reset();
    methode_.clear();
    caption_.clear();
}

std::string DatabaseSession::path() const { return connection_ ? connection_->path() : std::string(); }

} // namespace vt::gui
