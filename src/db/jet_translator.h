#pragma once
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace vt::db {

class Connection;
class Cursor;

// Another database file that a statement reads or writes through "IN 'file'"; attached
// under `alias` for the statement's duration.
struct JetAttachment {
    std::string alias;
    std::string path;
};

// A parameter a statement declares with "PARAMETERS name type, ...;".
struct JetParameter {
    std::string name;  // without brackets
    std::string type;  // lower case: text, short, long, double, datetime, bit ...
};

// A statement of the users' SQL dialect (the one their pre- and post-processing scripts,
// R companion files and saved queries are written in) turned into SQLite statements with
// the same effect:
//   SELECT ... INTO t FROM ...          -> CREATE TABLE t AS SELECT ... FROM ...
//   DELETE * FROM t / DELETE t.* FROM t -> DELETE FROM t
//   DELETE t.* FROM t JOIN u ...        -> DELETE FROM t WHERE rowid IN (SELECT t.rowid ...)
//   UPDATE t INNER JOIN u ON .. SET ..  -> UPDATE t SET .. FROM (SELECT t.rowid, values ..)
//   a & b                               -> jet_concat(a, b)
//   Yes / No / True / False             -> -1 / 0
//   #1/15/2020#                         -> '2020-01-15'
//   "text"                              -> 'text'
//   IIf, Nz, Format, Left, Mid, Right, Len, Trim, UCase, LCase, Mod, TOP n, DISTINCTROW
//   t IN 'file'                         -> the file attached, t read or written there
//   ALTER TABLE t ADD a x, b y          -> one ALTER TABLE per column
//   DROP INDEX i ON t                   -> DROP INDEX i
// [Bracketed names] pass unchanged; SQLite reads them the same way.
struct JetTranslation {
    std::string original;
    // The SQLite statements, run in order; several only when the statement adds several
    // columns or holds several statements separated by ";".
    std::vector<std::string> statements;
    std::vector<JetAttachment> attachments;
    // The table a SELECT ... INTO creates: its row count is the statement's count.
    std::string createdTable;
    // False when a form could not be translated: `statements` then holds the text as
    // written and `problem` says why.
    bool translated = true;
    std::string problem;
    // The statement returns rows (a SELECT without INTO).
    bool returnsRows = false;
    // The PARAMETERS it declares; each use of one became ?1, ?2 ... in `statements`, and
    // parameterCounts[i] says how many values statements[i] takes.
    std::vector<JetParameter> parameters;
    std::vector<int> parameterCounts;
    // TRANSFORM ... PIVOT: the pieces of the crosstab. Without an IN list the last entry of
    // `statements` is empty and query_jet builds it from the values `pivotValues` reads.
    std::string pivotAggregate, pivotExpression, pivotHead, pivotTail, pivotValues;
};

// Values of declared parameters by name (lower case, without brackets), as the user typed
// them; each is read as its declared type.
using JetParameterValues = std::map<std::string, std::string>;

// The names a statement declares with PARAMETERS, in order (none when it declares none or
// cannot be translated).
std::vector<std::string> jet_parameter_names(std::string_view statement);

// What the translator knows of the database: the names of columns that hold no text in
// any table (declared INTEGER, REAL, NUMERIC ...). Comparisons with them need no
// collation, so their indexes stay usable. Without it every column may hold text.
struct JetSchema {
    std::set<std::string> nonText;  // lower case
};
JetSchema jet_schema(Connection& c);

JetTranslation translate_jet(std::string_view statement, const JetSchema* schema = nullptr);

// Runs one statement of the users' dialect and returns the number of rows it changed
// (for SELECT ... INTO, the rows of the new table). Statements translated into several
// stand or fall together. A failure throws DbError with the engine's message followed by
// the statement as the user wrote it.
// A declared parameter without a value in `parameters` is an error naming it.
int execute_jet(Connection& c, const std::string& statement, const JetParameterValues& parameters = {});

// Opens a query of the users' dialect and hands its rows to `onRows`; a file named with
// "IN 'file'" stays attached until `onRows` returns. Errors as execute_jet.
void query_jet(Connection& c, const std::string& statement, const std::function<void(Cursor&)>& onRows,
               const JetParameterValues& parameters = {});

// The error text for a statement that failed: the engine's message and the statement
// (shortened to its first 300 characters, on one line).
std::string statement_error(const std::string& engineMessage, const std::string& statement);

} // namespace vt::db
