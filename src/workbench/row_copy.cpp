#include "workbench/row_copy.h"

#include "base/text.h"
#include "db/connection.h"
#include "db/sql_quote.h"

#include <algorithm>
#include <set>

namespace vt::workbench {

namespace {

struct Column {
    std::string name;
    std::string type;
    int pk = 0;
};

std::vector<Column> columns_of(db::Connection& c, const std::string& schema, const std::string& table)
{
    std::vector<Column> out;
    for (auto cur = c.query("SELECT name, type, pk FROM pragma_table_info(?, ?)", {table, schema}); !cur.eof(); cur.next())
        out.push_back({cur.field(0).toString(), base::to_lower(cur.field(1).toString()), static_cast<int>(cur.field(2).toInt())});
    if (out.empty()) throw db::DbError("no such table in " + schema + ": " + table);
    return out;
}

std::vector<std::string> common_columns(db::Connection& c, const std::string& fromSchema, const std::string& toSchema,
                                        const std::string& table, const std::vector<std::string>& ignored)
{
    std::set<std::string> to;
    for (const auto& col : columns_of(c, toSchema, table)) to.insert(base::to_lower(col.name));
    std::vector<std::string> out;
    for (const auto& col : columns_of(c, fromSchema, table)) {
        const std::string low = base::to_lower(col.name);
        if (to.count(low) && std::find(ignored.begin(), ignored.end(), low) == ignored.end()) out.push_back(col.name);
    }
    return out;
}

std::string q(const std::string& schema, const std::string& table) { return db::quote_ident(schema) + "." + db::quote_ident(table); }

std::string equal_columns(const std::vector<std::string>& cols)
{
    std::string out;
    for (const auto& col : cols) out += " AND s." + db::quote_ident(col) + " IS d." + db::quote_ident(col);
    return out;
}

} // namespace

std::vector<std::string> row_copy_columns(db::Connection& c, const std::string& fromSchema, const std::string& toSchema,
                                          const std::string& table)
{
    const auto target = columns_of(c, toSchema, table);
    int pkCount = 0;
    for (const auto& col : target) pkCount += col.pk > 0;
    std::vector<std::string> ignored;
    for (const auto& col : target)
        if (pkCount == 1 && col.pk == 1 && col.type == "integer") ignored.push_back(base::to_lower(col.name));
    return common_columns(c, fromSchema, toSchema, table, ignored);
}

int copy_rows_all_columns(db::Connection& c, const std::string& fromSchema, const std::string& toSchema,
                          const std::string& table, const std::string& where, const std::vector<db::Value>& values,
                          const std::map<std::string, db::Value>& overrides)
{
    const auto cols = row_copy_columns(c, fromSchema, toSchema, table);
    std::string names, selected;
    std::vector<db::Value> bound;
    for (const auto& col : cols) {
        names += (names.empty() ? "" : ", ") + db::quote_ident(col);
        selected += selected.empty() ? "" : ", ";
        if (auto o = overrides.find(base::to_lower(col)); o != overrides.end()) {
            selected += "?";
            bound.push_back(o->second);
        } else {
            selected += db::quote_ident(col);
        }
    }
    bound.insert(bound.end(), values.begin(), values.end());
    return c.execute("INSERT INTO " + q(toSchema, table) + " (" + names + ") SELECT " + selected + " FROM " +
                         q(fromSchema, table) + " " + where,
                     bound);
}

bool same_row_content(db::Connection& c, const std::string& fromSchema, const std::string& toSchema,
                      const std::string& table, const std::string& key, const db::Value& fromId, const db::Value& toId,
                      const std::vector<std::string>& ignored)
{
    const auto cols = common_columns(c, fromSchema, toSchema, table, ignored);
    return c.scalar("SELECT COUNT(*) FROM " + q(fromSchema, table) + " AS s, " + q(toSchema, table) + " AS d WHERE s." +
                        db::quote_ident(key) + " = ? AND d." + db::quote_ident(key) + " = ?" + equal_columns(cols),
                    {fromId, toId})
               .toInt() > 0;
}

db::Value find_same_row(db::Connection& c, const std::string& fromSchema, const std::string& toSchema,
                        const std::string& table, const std::string& key, const db::Value& fromId,
                        const std::vector<std::string>& ignored, const std::map<std::string, db::Value>& overrides)
{
    std::vector<std::string> skip = ignored;
    for (const auto& [col, value] : overrides) skip.push_back(col);
    const auto cols = common_columns(c, fromSchema, toSchema, table, skip);
    std::string extra;
    std::vector<db::Value> values{fromId};
    for (const auto& [col, value] : overrides) {
        extra += " AND d." + db::quote_ident(col) + " IS ?";
        values.push_back(value);
    }
    auto cur = c.query("SELECT d." + db::quote_ident(key) + " FROM " + q(fromSchema, table) + " AS s, " +
                           q(toSchema, table) + " AS d WHERE s." + db::quote_ident(key) + " = ?" + equal_columns(cols) + extra +
                           " ORDER BY d." + db::quote_ident(key) + " LIMIT 1",
                       values);
    return cur.eof() ? db::Value() : cur.field(0);
}

bool same_row_sets(db::Connection& c, const std::string& fromSchema, const std::string& toSchema, const std::string& table,
                   const std::string& key, const db::Value& fromId, const db::Value& toId)
{
    const auto cols = common_columns(c, fromSchema, toSchema, table, {base::to_lower(key)});
    std::string list;
    for (const auto& col : cols) list += (list.empty() ? "" : ", ") + db::quote_ident(col);
    if (list.empty()) list = "1";
    const std::string a = "SELECT " + list + " FROM " + q(fromSchema, table) + " WHERE " + db::quote_ident(key) + " = ?1";
    const std::string b = "SELECT " + list + " FROM " + q(toSchema, table) + " WHERE " + db::quote_ident(key) + " = ?2";
    const long long diff = c.scalar("SELECT (SELECT COUNT(*) FROM (" + a + " EXCEPT " + b + ")) + (SELECT COUNT(*) FROM (" +
                                        b + " EXCEPT " + a + ")) + abs((SELECT COUNT(*) FROM (" + a +
                                        ")) - (SELECT COUNT(*) FROM (" + b + ")))",
                                    {fromId, toId})
                               .toInt();
    return diff == 0;
}

} // namespace vt::workbench
