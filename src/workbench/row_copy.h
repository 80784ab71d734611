#pragma once
#include "db/value.h"

#include <map>
#include <string>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::workbench {

// Whole-row copies between two schemas of one connection (main and an attached file).

// The columns of `table` that a copy carries: every column both schemas' tables have,
// except an INTEGER PRIMARY KEY of the target's own (the copy gets a new one).
std::vector<std::string> row_copy_columns(db::Connection& c, const std::string& fromSchema, const std::string& toSchema,
                                          const std::string& table);

// Copies the rows of fromSchema.table that `where` (with `values`) selects into
// toSchema.table, every column of row_copy_columns; the columns in `overrides` (lower-case
// names) take the given value instead. Returns the number of rows copied.
int copy_rows_all_columns(db::Connection& c, const std::string& fromSchema, const std::string& toSchema,
                          const std::string& table, const std::string& where, const std::vector<db::Value>& values,
                          const std::map<std::string, db::Value>& overrides = {});

// Whether the row fromSchema.table.key = fromId has the same content as the row
// toSchema.table.key = toId in every common column but `ignored` (lower-case names;
// NULL equals NULL).
bool same_row_content(db::Connection& c, const std::string& fromSchema, const std::string& toSchema,
                      const std::string& table, const std::string& key, const db::Value& fromId, const db::Value& toId,
                      const std::vector<std::string>& ignored);

// A row of toSchema.table with the content of fromSchema.table.key = fromId (every
// common column but `ignored`; the columns of `overrides` (lower case) with the given
// values instead): its key, or NULL when there is none.
db::Value find_same_row(db::Connection& c, const std::string& fromSchema, const std::string& toSchema,
                        const std::string& table, const std::string& key, const db::Value& fromId,
                        const std::vector<std::string>& ignored, const std::map<std::string, db::Value>& overrides = {});

// Whether the rows with key = fromId in fromSchema.table and key = toId in toSchema.table
// are the same set in every common column but the key.
bool same_row_sets(db::Connection& c, const std::string& fromSchema, const std::string& toSchema, const std::string& table,
                   const std::string& key, const db::Value& fromId, const db::Value& toId);

} // namespace vt::workbench
