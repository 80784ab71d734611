#include "workbench/params_tables.h"

#include "base/text.h"
#include "db/connection.h"
#include "db/output_file.h"
#include "db/sql_quote.h"
#include "eval/spreadsheet_export.h"
#include "workbench/params_table_edit.h"

#include <cctype>
#include <fstream>
#include <stdexcept>

namespace vt::workbench {

const std::vector<std::string> kResultTables = {"rux_stat_corg", "rux_stat_nt", "rux_n_bilanz", "rux_nsaldo"};

ParameterTables parameter_tables(const std::string& methode)
{
    ParameterTables t;
    if (base::to_upper(base::trim(methode)) == "HUMOD") {
        t.crops = "humod_crop_parm";
        t.amendments = "humod_fert_parm";
        t.amendmentFilter = false;
    }
    return t;
}

eval::Table read_whole_table(db::Connection& c, const std::string& table)
{
    auto cur = c.openTable(table);
    return eval::read_table(cur);
}

void export_table_xlsx(db::Connection& c, const std::string& table, const std::string& path)
{
    eval::XlsxOptions o;
    o.sheetName = table.substr(0, 31);
    for (const char bad : {'[', ']', ':', '*', '?', '/', '\\'})
        for (auto& ch : o.sheetName)
            if (ch == bad) ch = '_';
    if (o.sheetName.empty()) o.sheetName = "Sheet1";
    eval::write_xlsx(path, read_whole_table(c, table), o);
}

namespace {

std::string xml_escape(const std::string& s)
{
    std::string out;
    for (char ch : s) {
        switch (ch) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        case '\n': out += "&#10;"; break;
        case '\r': out += "&#13;"; break;
        case '\t': out += "&#9;"; break;
        default:
            if (static_cast<unsigned char>(ch) >= 0x20 || ch < 0) out += ch;
        }
    }
    return out;
}

// A column name as an XML attribute name: letters, digits, '_', '-' and '.', not
// starting with a digit; the original name is kept in rs:name.
std::string xml_name(const std::string& name, int index)
{
    std::string out;
    for (char ch : name) {
        const auto u = static_cast<unsigned char>(ch);
        out += (std::isalnum(u) && u < 0x80) || ch == '_' || ch == '-' || ch == '.' ? ch : '_';
    }
    if (out.empty() || std::isdigit(static_cast<unsigned char>(out[0])) || out[0] == '-' || out[0] == '.')
        out = "c" + std::to_string(index) + "_" + out;
    return out;
}

const char* xml_type(ColumnKind k)
{
    switch (k) {
    case ColumnKind::Integer: return "int";
    case ColumnKind::Real: return "float";
    case ColumnKind::YesNo: return "boolean";
    case ColumnKind::Text: return "string";
    case ColumnKind::Any: return "string";
    }
    return "string";
}

} // namespace

std::string table_xml(db::Connection& c, const std::string& table)
{
    const auto columns = table_columns(c, table);
    std::vector<std::string> names;
    std::string x = "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882'\n"
                    "\txmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882'\n"
                    "\txmlns:rs='urn:schemas-microsoft-com:rowset'\n"
                    "\txmlns:z='#RowsetSchema'>\n"
                    "<s:Schema id='RowsetSchema'>\n"
                    "\t<s:ElementType name='row' content='eltOnly' rs:updatable='true'>\n";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const auto& col = columns[i];
        names.push_back(xml_name(col.name, static_cast<int>(i) + 1));
        x += "\t\t<s:AttributeType name='" + xml_escape(names.back()) + "' rs:name='" + xml_escape(col.name)
             + "' rs:number='" + std::to_string(i + 1) + "' rs:nullable='true' rs:basetable='" + xml_escape(table)
             + "' rs:basecolumn='" + xml_escape(col.name) + "'>\n\t\t\t<s:datatype dt:type='" + xml_type(col.kind) + "'";
        if (col.maxLength > 0) x += " dt:maxLength='" + std::to_string(col.maxLength) + "'";
        x += "/>\n\t\t</s:AttributeType>\n";
    }
    x += "\t\t<s:extends type='rs:rowbase'/>\n\t</s:ElementType>\n</s:Schema>\n<rs:data>\n";
    const auto rows = read_whole_table(c, table);
    for (const auto& row : rows.rows) {
        x += "\t<z:row";
        for (std::size_t i = 0; i < row.size() && i < names.size(); ++i) {
            if (row[i].isNull()) continue;
            std::string v = eval::export_text(row[i]);
            if (columns[i].kind == ColumnKind::YesNo) v = row[i].toBool() ? "True" : "False";
            x += " " + names[i] + "='" + xml_escape(v) + "'";
        }
        x += "/>\n";
    }
    x += "</rs:data>\n</xml>\n";
    return x;
}

void export_table_xml(db::Connection& c, const std::string& table, const std::string& path)
{
    const auto text = table_xml(c, table);
    db::write_output_text(path, text);
}

std::string parameter_line(const std::string& column, const std::string& value)
{
    return (column + std::string(13, '.')).substr(0, 12) + ": " + value;
}

namespace {

ParameterTree record_tree(db::Connection& c, const std::string& title, const std::string& table, const db::Value& itemIx)
{
    ParameterTree t{title, {}};
    auto cur = c.query("select * from " + db::quote_ident(table) + " where item_ix=?", {itemIx});
    if (cur.eof()) return t;
    for (int i = 0; i < cur.fieldCount(); ++i) t.lines.push_back(parameter_line(cur.fieldName(i), eval::export_text(cur.field(i))));
    return t;
}

} // namespace

std::vector<ParameterTree> crop_parameters(db::Connection& c, long long itemIx)
{
    std::vector<ParameterTree> out{record_tree(c, "gldpflan", "gldpflan", db::Value(itemIx))};
    auto keys = c.query("select ewr_ix, kop_ix from gldpflan where item_ix=?", {db::Value(itemIx)});
    const db::Value ewr = keys.eof() ? db::Value() : keys.field(0);
    const db::Value kop = keys.eof() ? db::Value() : keys.field(1);
    out.push_back(record_tree(c, " root & crop residues", "gldopspa", ewr));
    out.push_back(record_tree(c, " side product", "gldopspa", kop));
    return out;
}

std::vector<ParameterTree> amendment_parameters(db::Connection& c, long long itemIx)
{
    return {record_tree(c, "gldopspa", "gldopspa", db::Value(itemIx))};
}

} // namespace vt::workbench
