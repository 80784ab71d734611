#include "db/cursor.h"

#include "base/text.h"

#include "db/db_error.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>

namespace vt::db {

using base::to_lower;

Cursor::Cursor(sqlite3* db, std::string sql, std::vector<Value> params, std::shared_ptr<const ThreadHold> hold)
    : db_(db), sql_(std::move(sql)), params_(std::move(params)), hold_(std::move(hold))
{
    stmt_ = std::make_shared<Statement>(db_, sql_, hold_);
    stmt_->bindAll(params_);
    indexFields();
    eof_ = !stmt_->step();
}

void Cursor::indexFields()
{
    fields_.clear();
    for (int i = 0; i < stmt_->columnCount(); ++i) fields_.emplace(to_lower(stmt_->columnName(i)), i);
}

void Cursor::first()
{
    stmt_->reset();
    eof_ = !stmt_->step();
}

void Cursor::next()
{
    if (eof_) return;
    eof_ = !stmt_->step();
}

int Cursor::rowCount()
{
    if (!rowCount_) {
        Statement count(db_, "SELECT COUNT(*) FROM (" + sql_ + ")", hold_);
        count.bindAll(params_);
        count.step();
        rowCount_ = static_cast<int>(count.columnInt(0));
    }
    return *rowCount_;
}

int Cursor::fieldCount() const { return stmt_->columnCount(); }

std::string Cursor::fieldName(int i) const { return stmt_->columnName(i); }

bool Cursor::hasField(const std::string& name) const { return fields_.count(to_lower(name)) > 0; }

int Cursor::fieldIndex(const std::string& name) const
{
    auto it = fields_.find(to_lower(name));
    return it == fields_.end() ? -1 : it->second;
}

int Cursor::requireField(const std::string& name) const
{
    const int i = fieldIndex(name);
    if (i < 0) throw DbError("Item cannot be found in the collection: field " + name, SQLITE_ERROR, sql_);
    return i;
}

Value Cursor::field(const std::string& name) const { return field(requireField(name)); }

Value Cursor::field(int i) const
{
    if (eof_) throw DbError("Either BOF or EOF is True: no current row", SQLITE_ERROR, sql_);
    return stmt_->column(i);
}

} // namespace vt::db
