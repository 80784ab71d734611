// Fuzz target of the SQL script splitter and the script runner: the input is a script's
// text. Its statements must keep the splitter's rules, and running them on an empty
// database (with the Jet functions every connection has) must end with results or a
// DbError, never a crash or undefined behaviour.
#include "db/connection.h"
#include "engine/run/sql_script.h"

#include <sqlite3.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// A statement the runner may not send as a whole: a line that is exactly "go" or holds "#".
bool breaks_the_rules(const vt::engine::ScriptStatement& st)
{
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = st.text.find('\n', start);
        const std::string line = st.text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (line == "go" || line.find('#') != std::string::npos || line.empty()) return true;
        if (end == std::string::npos) return false;
        start = end + 1;
    }
}

// Long-running statements (recursive queries) are cut short.
int enough(void* steps)
{
    return ++*static_cast<long*>(steps) > 2000;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Whatever a statement writes (ATTACH, VACUUM INTO) lands in a folder of its own.
    const auto dir = std::filesystem::temp_directory_path() / ("veltrano-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') lines.emplace_back();
        else lines.back() += static_cast<char>(data[i]);
    }
    const auto statements = vt::engine::split_sql_script(lines);
    for (const auto& st : statements)
        if (!st.text.empty() && breaks_the_rules(st)) std::abort();
    if (!statements.empty() && statements.back().ignoreErrors && !lines.empty()) {
        // Only statements ended by "go" may be protected by a "drop".
        bool endsWithGo = false;
        for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
            std::string t = *it;
            t.erase(0, t.find_first_not_of(" \t\r\f\v"));
            t.erase(t.find_last_not_of(" \t\r\f\v") + 1);
            if (t.empty() || t[0] == '\'' || t.find('#') != std::string::npos) continue;
            endsWithGo = t == "go";
            break;
        }
        if (!endsWithGo) std::abort();
    }

    vt::db::Connection db(":memory:", vt::db::Connection::Mode::ReadWriteCreate);
    sqlite3_limit(db.handle(), SQLITE_LIMIT_ATTACHED, 0);
    sqlite3_limit(db.handle(), SQLITE_LIMIT_LENGTH, 1 << 20);
    long steps = 0;
    sqlite3_progress_handler(db.handle(), 1000, enough, &steps);
    db.execute("CREATE TABLE cultivation (FL_ID INTEGER, year INTEGER, Crop TEXT, Quantity DOUBLE)");
    db.execute("INSERT INTO cultivation VALUES (1, 1990, 'WW', 5.5), (1, 1991, 'SB', NULL), (2, 1990, 'x', -1e308)");
    vt::engine::ScriptCallbacks callbacks;
    callbacks.onRows = [](vt::db::Cursor& rows) {
        for (int n = 0; !rows.eof() && n < 100; ++n, rows.next())
            for (int i = 0; i < rows.fieldCount(); ++i) (void)rows.field(i).toString();
    };
    try {
        vt::engine::run_sql_script(db, statements, callbacks);
    } catch (const vt::db::DbError&) {
    }
    return 0;
}
