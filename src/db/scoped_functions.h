#pragma once
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_context;
struct sqlite3_value;

namespace vt::db {

// SQL functions registered on a connection for the life of the object (the statements of
// one preparation step), all with the same user data; removed again on destruction.
class ScopedFunctions {
public:
    using Function = void (*)(sqlite3_context*, int, sqlite3_value**);
    ScopedFunctions(sqlite3* db, void* data) : db_(db), data_(data) {}
    ~ScopedFunctions();
    ScopedFunctions(const ScopedFunctions&) = delete;
    ScopedFunctions& operator=(const ScopedFunctions&) = delete;
    // Throws DbError when SQLite refuses the function.
    void define(const char* name, int args, Function f);

private:
    sqlite3* db_;
    void* data_;
    std::vector<std::pair<const char*, int>> defined_;
};

} // namespace vt::db
