#pragma once
#include <memory>
#include <string>

namespace vt::config {
class RuxSettings;
}
namespace vt::db {
class Connection;
}

namespace vt::gui {

// The one open database of the application. Opening another file adapts it to the
// current layout first and only then replaces the open one, so a file that cannot be
// opened or adapted leaves the previous database in use.
class DatabaseSession {
public:
    DatabaseSession();
    ~DatabaseSession();

    // The settings that receive the method of each database opened (may be null).
    void setSettings(config::RuxSettings* settings) { settings_ = settings; }

    // Opens, adapts and completes `path`; throws (vt::db::DbError or std::exception
    // with the reason) and keeps the current connection when that fails.
    void open(const std::string& path);
    void close();

    bool isOpen() const { return connection_ != nullptr; }
    db::Connection* connection() const { return connection_.get(); }
    // The path of the open database; empty when none is open.
    std::string path() const;
    // The model method stored in the open database.
    const std::string& methode() const { return methode_; }
    // The main window's caption after the adaptation: "Veltrano; Model=" and the stored model.
    const std::string& caption() const { return caption_; }

private:
    std::unique_ptr<db::Connection> connection_;
    std::string methode_;
    std::string caption_;
    config::RuxSettings* settings_ = nullptr;
};

} // namespace vt::gui
