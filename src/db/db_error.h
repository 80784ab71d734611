#pragma once
#include <stdexcept>
#include <string>

namespace vt::db {

// A failure reported by the database engine; what() carries the engine's own message.
class DbError : public std::runtime_error {
public:
    DbError(const std::string& message, int code = 0, std::string sql = {})
        : std::runtime_error(message), code_(code), sql_(std::move(sql)) {}
    int code() const { return code_; }
    const std::string& sql() const { return sql_; }

private:
    int code_;
    std::string sql_;
};

} // namespace vt::db
