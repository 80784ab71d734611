#pragma once
#include "db/statement.h"
#include "db/value.h"

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace vt::db {

// A forward cursor over the rows of a query, positioned on the first row when opened.
// first() re-runs the query; rowCount() counts the rows without moving the cursor.
class Cursor {
public:
    // `hold`: the hold of the connection, asked at every step (may be null).
    Cursor(sqlite3* db, std::string sql, std::vector<Value> params, std::shared_ptr<const ThreadHold> hold = {});

    bool eof() const { return eof_; }
    void first();
    void next();
    int rowCount();

    int fieldCount() const;
    std::string fieldName(int i) const;
    // Field names are matched without regard to case.
    bool hasField(const std::string& name) const;
    int fieldIndex(const std::string& name) const;  // -1 when absent
    // Throws DbError when the field does not exist.
    Value field(const std::string& name) const;
    Value field(int i) const;
    double getDouble(const std::string& name) const { return field(name).toDouble(); }
    long long getInt(const std::string& name) const { return field(name).toInt(); }
    std::string getString(const std::string& name) const { return field(name).toString(); }
    bool isNull(const std::string& name) const { return field(name).isNull(); }

private:
    void indexFields();
    int requireField(const std::string& name) const;

    sqlite3* db_;
    std::string sql_;
    std::vector<Value> params_;
    std::shared_ptr<const ThreadHold> hold_;
    std::shared_ptr<Statement> stmt_;
    std::unordered_map<std::string, int> fields_;  // lower-case name -> column
    std::optional<int> rowCount_;
    bool eof_ = true;
};

} // namespace vt::db
