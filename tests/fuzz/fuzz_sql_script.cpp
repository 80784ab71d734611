// Fuzz target of the SQL script splitter, the "$" parameter substitution and the script
// runner: the input's first line is a parameter value, the rest a script's text. The
// statements must keep the splitter's rules; the value must land in each statement as
// one literal (the statement keeps its comments, texts, names and ";" whatever the value
// holds); and running the statements on a small database (with the Jet functions every
// connection has) must end with results or a DbError, never a crash or undefined
// behaviour.
#include "db/connection.h"
#include "db/sql_script.h"
#include "workbench/sql_module.h"

#include <sqlite3.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// A statement the runner may not send as a whole: a line that is exactly "go", empty, or
// a comment line (first character "#" or "'").
bool breaks_the_rules(const vt::db::ScriptStatement& st)
{
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = st.text.find('\n', start);
        const std::string line = st.text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (line == "go" || line.empty() || line[0] == '#' || line[0] == '\'') return true;
        if (end == std::string::npos) return false;
        start = end + 1;
    }
}

// The shape of a statement as the engine reads it: how many comments, quoted texts,
// bracketed names and ";" outside them it holds. Written apart from the substitution's own
// reader, as its check.
std::string shape(const std::string& s)
{
    int comments = 0, texts = 0, names = 0, ends = 0;
    for (std::size_t i = 0; i < s.size();) {
        if (s.compare(i, 2, "--") == 0) {
            ++comments;
            i = s.find('\n', i);
            if (i == std::string::npos) break;
        } else if (s.compare(i, 2, "/*") == 0) {
            ++comments;
            i = s.find("*/", i + 2);
            if (i == std::string::npos) break;
            i += 2;
        } else if (s[i] == '\'' || s[i] == '"') {
            const char q = s[i++];
            ++texts;
            while (i < s.size() && !(s[i] == q && (i + 1 >= s.size() || s[i + 1] != q))) i += s[i] == q ? 2 : 1;
            ++i;
        } else if (s[i] == '[' || s[i] == '`') {
            const char close = s[i] == '[' ? ']' : '`';
            ++names;
            i = s.find(close, i + 1);
            if (i == std::string::npos) break;
            ++i;
        } else {
            ends += s[i] == ';';
            ++i;
        }
    }
    return std::to_string(comments) + "/" + std::to_string(texts) + "/" + std::to_string(names) + "/" + std::to_string(ends);
}

bool plain_number(const std::string& v)
{
    return vt::workbench::substitute_parameters("$p", {{"$p", v}}) == v;
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
    std::string value;
    std::size_t i = 0;
    for (; i < size && data[i] != '\n'; ++i) value += static_cast<char>(data[i]);
    std::vector<std::string> lines(1);
    for (++i; i < size; ++i) {
        if (data[i] == '\n') lines.emplace_back();
        else lines.back() += static_cast<char>(data[i]);
    }
    auto statements = vt::db::split_sql_script(lines);
    for (const auto& st : statements)
        if (!st.text.empty() && breaks_the_rules(st)) std::abort();
    if (!statements.empty() && statements.back().ignoreErrors && !lines.empty()) {
        // Only statements ended by "go" may be protected by a "drop".
        bool endsWithGo = false;
        for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
            std::string t = *it;
            t.erase(0, t.find_first_not_of(" \t\r\f\v"));
            t.erase(t.find_last_not_of(" \t\r\f\v") + 1);
            if (t.empty() || t[0] == '\'' || t[0] == '#') continue;
            endsWithGo = t == "go";
            break;
        }
        if (!endsWithGo) std::abort();
    }

    // The value stands as one literal: the statement has the shape it has with a harmless
    // value of the same kind.
    const std::vector<vt::workbench::ScriptParameter> given{{"$p", value}};
    const std::vector<vt::workbench::ScriptParameter> harmless{{"$p", plain_number(value) ? "0" : "a"}};
    for (auto& st : statements) {
        std::string withValue, withHarmless;
        try {
            withValue = vt::workbench::substitute_parameters(st.text, given);
            withHarmless = vt::workbench::substitute_parameters(st.text, harmless);
        } catch (const std::invalid_argument&) {
            continue;  // a value that cannot stand in a [name] is refused
        }
        if (!value.empty() && shape(withValue) != shape(withHarmless)) std::abort();
        st.text = withValue;
    }

    vt::db::Connection db(":memory:", vt::db::Connection::Mode::ReadWriteCreate);
    sqlite3_limit(db.handle(), SQLITE_LIMIT_ATTACHED, 0);
    sqlite3_limit(db.handle(), SQLITE_LIMIT_LENGTH, 1 << 20);
    long steps = 0;
    sqlite3_progress_handler(db.handle(), 1000, enough, &steps);
    db.execute("CREATE TABLE cultivation (FL_ID INTEGER, year INTEGER, Crop TEXT, Quantity DOUBLE)");
    db.execute("INSERT INTO cultivation VALUES (1, 1990, 'WW', 5.5), (1, 1991, 'SB', NULL), (2, 1990, 'x', -1e308)");
    vt::db::ScriptCallbacks callbacks;
    callbacks.onRows = [](vt::db::Cursor& rows) {
        for (int n = 0; !rows.eof() && n < 100; ++n, rows.next())
            for (int i = 0; i < rows.fieldCount(); ++i) (void)rows.field(i).toString();
    };
    try {
        vt::db::run_sql_script(db, statements, callbacks);
    } catch (const vt::db::DbError&) {
    }
    return 0;
}
