#include "workbench/params_soil.h"

#include "base/text.h"
#include "db/connection.h"
#include "db/keys.h"
#include "db/sql_quote.h"
#include "workbench/params_table_edit.h"

namespace vt::workbench {

const std::vector<std::string> kSoilPostRule = {"silt", "fat", "bd", "pv", "fc", "pwp", "deg", "lmbd", "max_lts"};
const std::vector<std::string> kSoilCloseRule = {"silt", "fat", "bd", "pv", "fc", "pwp"};
const std::vector<std::string> kSoilTypes = {"?", "S", "Sl", "lS", "SL", "sL", "L", "LT", "T"};

std::vector<SoilProfile> list_soils(db::Connection& c)
{
    std::vector<SoilProfile> out;
    auto cur = c.query("select soil_ID, profile from soilproperties order by soil_ID");
    for (; !cur.eof(); cur.next()) out.push_back({cur.field(0).toInt(), cur.field(1).toString()});
    return out;
}

std::optional<long long> find_soil(db::Connection& c, const std::string& profile)
{
    const auto v = c.scalar("select soil_ID from soilproperties where profile=? order by soil_ID", {db::Value(profile)});
    if (v.isNull()) return std::nullopt;
    return v.toInt();
}

long long append_soil(db::Connection& c, const std::string& profile)
{
    const long long id = db::get_key(c, "soilproperties", "soil_id");
    c.execute("insert into soilproperties (soil_ID, profile) values (?, ?)", {db::Value(id), db::Value(profile)});
    return id;
}

SoilRecord read_soil(db::Connection& c, long long soilId)
{
    SoilRecord r;
    auto cur = c.query("select * from soilproperties where soil_ID=?", {db::Value(soilId)});
    if (cur.eof()) return r;
    for (int i = 0; i < cur.fieldCount(); ++i) r[base::to_lower(cur.fieldName(i))] = cur.field(i);
    return r;
}

void apply_missing_value_rule(SoilRecord& record, const std::vector<std::string>& columns)
{
    for (const auto& raw : columns) {
        const auto col = base::to_lower(raw);
        auto it = record.find(col);
        if (it == record.end()) continue;
        const bool given = !it->second.isNull() && it->second.toDouble() > 0;
        if (!given) it->second = db::Value(-99.0);
        record[col + "_org"] = db::Value(given);
    }
}

SoilRecord post_soil(db::Connection& c, long long soilId, SoilRecord values, const std::vector<std::string>& ruleColumns)
{
    apply_missing_value_rule(values, ruleColumns);
    std::string sets;
    std::vector<db::Value> params;
    for (const auto& col : table_columns(c, "soilproperties")) {
        const auto key = base::to_lower(col.name);
        if (key == "soil_id") continue;
        auto it = values.find(key);
        if (it == values.end()) continue;
        sets += (sets.empty() ? "" : ", ") + db::quote_ident(col.name) + "=?";
        params.push_back(it->second);
    }
    if (!sets.empty()) {
        params.emplace_back(soilId);
        c.execute("update soilproperties set " + sets + " where soil_ID=?", params);
    }
    return read_soil(c, soilId);
}

long long plots_using_soil(db::Connection& c, long long soilId)
{
    return c.scalar("select count(*) from field_description where soil_ID=?", {db::Value(soilId)}).toInt();
}

int delete_soil(db::Connection& c, long long soilId)
{
    return c.execute("delete from soilproperties where soil_ID=?", {db::Value(soilId)});
}

std::vector<SimpleSoilField> simple_soil_missing(const SimpleSoil& soil)
{
    std::vector<SimpleSoilField> out;
    if (soil.name.find('?') != std::string::npos || base::trim(soil.name).empty()) out.push_back(SimpleSoilField::Name);
    if (soil.soilType == "?" || soil.soilType.empty()) out.push_back(SimpleSoilField::SoilType);
    if (soil.clay.find('?') != std::string::npos) out.push_back(SimpleSoilField::Clay);
    return out;
}

std::string save_simple_soil(db::Connection& c, const SimpleSoil& soil, std::optional<long long> editSoilId)
{
    ColumnInfo number;
    number.kind = ColumnKind::Real;
    auto read = [&](const char* what, const std::string& text) {
        number.name = what;
        auto v = cell_value(number, text);
        if (v.isNull()) throw CellError(std::string("the ") + what + " is missing.");
        return v;
    };
    const auto gravel = read("gravel", soil.gravel);
    const auto clay = read("clay", soil.clay);
    const auto silt = read("silt", soil.silt);

    std::string name = base::trim(soil.name);
    db::Transaction t(c);
    long long id = 0;
    if (editSoilId) {
        id = *editSoilId;
    } else {
        if (find_soil(c, name)) name += "1";
        id = append_soil(c, name);
    }
    SoilRecord r;
    r["profile"] = db::Value(name);
    r["ba_rbs"] = db::Value(soil.soilType);
    r["skelett"] = gravel;
    r["clay"] = clay;
    r["silt"] = silt;
    r["silt_org"] = db::Value(true);
    for (const char* col : {"fat", "bd", "pv", "fc", "pwp", "cif", "pd", "sand"}) {
        r[col] = db::Value(-99.0);
        r[std::string(col) + "_org"] = db::Value(false);
    }
    post_soil(c, id, r, {});
    t.commit();
    return name;
}

} // namespace vt::workbench
