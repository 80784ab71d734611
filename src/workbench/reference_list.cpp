#include "workbench/reference_list.h"

#include "base/text.h"
#include "db/connection.h"

#include <filesystem>

namespace vt::workbench {

eval::Table plot_references(db::Connection& c, long long plot, std::optional<long long> keyId)
{
    std::string sql =
        "SELECT key2ref2fl.key_id, field_description.FL_ID, referenzen.lit_id, referenzen.Autor, referenzen.Jahr, "
        "referenzen.Titel, referenzen.produkt, referenzen.herausgeber, referenzen.quelle, referenzen.ort, "
        "referenzen.band, referenzen.seite, referenzen.ausgabe, field_description.versuch_code "
        "FROM (field_description INNER JOIN key2ref2fl ON field_description.FL_ID = key2ref2fl.fl_id) "
        "INNER JOIN referenzen ON key2ref2fl.ref_id = referenzen.lit_id WHERE field_description.FL_ID = ?";
    std::vector<db::Value> values{plot};
    if (keyId) {
        sql += " AND key2ref2fl.key_id = ?";
        values.emplace_back(*keyId);
    }
    auto cur = c.query(sql + " ORDER BY referenzen.lit_id, key2ref2fl.key_id", values);
    return eval::read_table(cur);
}

std::vector<std::string> reference_compact_lines(const eval::Table& table, std::size_t row)
{
    std::vector<std::string> lines;
    if (row >= table.rows.size()) return lines;
    for (const char* column : {"quelle", "autor", "jahr", "Titel", "produkt", "seite"}) {
        const int i = table.column(column);
        if (i < 0) continue;
        const std::string v = base::trim(eval::cell(table.rows[row], i).toString());
        if (!v.empty()) lines.push_back(v);
    }
    return lines;
}

std::string reference_plot_title(db::Connection& c, long long plot)
{
    auto cur = c.query("SELECT site_description, Location, versuch_code FROM field_description WHERE FL_ID = ?", {plot});
    if (cur.eof()) return {};
    return cur.getString("Location") + " - " + cur.getString("site_description") + "   <" +
           cur.getString("versuch_code") + ">";
}

AddReference add_reference(db::Connection& c, long long plot, const std::string& litIdText)
{
    long long litId = 0;
    try {
        std::size_t used = 0;
        const std::string t = base::trim(litIdText);
        litId = std::stoll(t, &used);
        if (used != t.size()) return AddReference::NotANumber;
    } catch (const std::exception&) {
        return AddReference::NotANumber;
    }
    if (c.scalar("SELECT COUNT(*) FROM referenzen WHERE lit_id = ?", {litId}).toInt() == 0) return AddReference::NotFound;
    const db::Value code = c.scalar("SELECT versuch_code FROM field_description WHERE FL_ID = ?", {plot});
    db::Transaction tx(c);
    int added = 0;
    if (c.scalar("SELECT COUNT(*) FROM ref2vcode WHERE lit_id = ? AND versuchs_code = ?", {litId, code}).toInt() == 0)
        added += c.execute("INSERT INTO ref2vcode (lit_id, versuchs_code) VALUES (?, ?)", {litId, code});
    if (c.scalar("SELECT COUNT(*) FROM key2ref2fl WHERE key_id = 0 AND ref_id = ? AND fl_id = ?", {litId, plot}).toInt() == 0)
        added += c.execute("INSERT INTO key2ref2fl (key_id, ref_id, fl_id) VALUES (0, ?, ?)", {litId, plot});
    tx.commit();
    return added ? AddReference::Added : AddReference::AlreadyLinked;
}

int delete_reference_relation(db::Connection& c, long long plot, long long litId, const std::string& experimentCode)
{
    db::Transaction tx(c);
    int n = c.execute("DELETE FROM ref2vcode WHERE lit_id = ? AND versuchs_code = ?", {litId, experimentCode});
    n += c.execute("DELETE FROM key2ref2fl WHERE ref_id = ? AND fl_id = ?", {litId, plot});
    tx.commit();
    return n;
}

std::vector<std::string> reference_keyword_lines(db::Connection& c, long long plot, long long litId)
{
    std::vector<std::string> lines;
    for (auto cur = c.query("SELECT refkey_def.key_id, refkey_def.key_name, refkey_def.description FROM refkey_def "
                            "INNER JOIN key2ref2fl ON refkey_def.key_id = key2ref2fl.key_id "
                            "WHERE key2ref2fl.fl_id = ? AND key2ref2fl.ref_id = ? ORDER BY refkey_def.key_id",
                            {plot, litId});
         !cur.eof(); cur.next())
        lines.push_back(cur.field(0).toString() + " :  " + cur.getString("key_name") + "  [" +
                        cur.getString("description") + "]");
    return lines;
}

std::vector<Keyword> reference_keywords(db::Connection& c)
{
    std::vector<Keyword> out;
    for (auto cur = c.query("SELECT key_id, key_name FROM refkey_def ORDER BY key_id"); !cur.eof(); cur.next())
        out.push_back({cur.getInt("key_id"), cur.getString("key_name")});
    return out;
}

void add_reference_keyword(db::Connection& c, long long plot, long long litId, long long keyId)
{
    if (c.scalar("SELECT COUNT(*) FROM key2ref2fl WHERE key_id = ? AND ref_id = ? AND fl_id = ?", {keyId, litId, plot})
            .toInt() > 0)
        return;
    c.execute("INSERT INTO key2ref2fl (key_id, ref_id, fl_id) VALUES (?, ?, ?)", {keyId, litId, plot});
}

void delete_reference_keyword(db::Connection& c, long long plot, long long litId, long long keyId)
{
    c.execute("DELETE FROM key2ref2fl WHERE fl_id = ? AND ref_id = ? AND key_id = ?", {plot, litId, keyId});
}

std::string reference_pdf_path(const std::string& pdfDir, long long litId)
{
    return (std::filesystem::path(pdfDir) / (std::to_string(litId) + ".pdf")).string();
}

} // namespace vt::workbench
