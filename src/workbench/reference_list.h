#pragma once
#include "eval/table_data.h"

#include <optional>
#include <string>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::workbench {

// The keyword selection of the reference list: entry i filters to key_id = i.
inline const std::vector<std::string> kReferenceKeywordSelection = {"all", "soil parm", "climate", "management"};

// The references filed for a plot (key2ref2fl joined with referenzen): key_id, FL_ID,
// lit_id, Autor, Jahr, Titel, produkt, herausgeber, quelle, ort, band, seite, ausgabe,
// versuch_code. With `keyId` only those filed under that keyword.
eval::Table plot_references(db::Connection& c, long long plot, std::optional<long long> keyId = std::nullopt);

// The page "compact": quelle, autor, jahr, Titel, produkt and seite of a reference row,
// one line each, empty values left out.
std::vector<std::string> reference_compact_lines(const eval::Table& table, std::size_t row);

// The plot's name for the title field (site_description, location and experiment code).
std::string reference_plot_title(db::Connection& c, long long plot);

enum class AddReference { Added, NotFound, NotANumber, AlreadyLinked };

// "add  new  reference": links the reference `litIdText` to the plot's experiment
// (ref2vcode) and files it for the plot under "all" (key 0) so that it shows in the list.
AddReference add_reference(db::Connection& c, long long plot, const std::string& litIdText);

// "delete this relation": removes the link of the reference to the experiment and its
// filing for the plot. Returns the rows removed.
int delete_reference_relation(db::Connection& c, long long plot, long long litId, const std::string& experimentCode);

// The keyword relation window: the reference's keywords for the plot as
// key_id + " :  " + key_name + "  [" + description + "]".
std::vector<std::string> reference_keyword_lines(db::Connection& c, long long plot, long long litId);

struct Keyword {
    long long id = 0;
    std::string name;
};
// Every keyword of refkey_def.
std::vector<Keyword> reference_keywords(db::Connection& c);
// "add this keyword" (nothing when the reference has it already) / "delete this keyword".
void add_reference_keyword(db::Connection& c, long long plot, long long litId, long long keyId);
void delete_reference_keyword(db::Connection& c, long long plot, long long litId, long long keyId);

// The PDF document of a reference: the folder "pdf_dir" + lit_id + ".pdf".
std::string reference_pdf_path(const std::string& pdfDir, long long litId);

} // namespace vt::workbench
