#pragma once
#include "db/value.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::workbench {

struct SoilProfile {
    long long soilId = 0;
    std::string profile;
};

// The soils of the database in the order of their ids.
std::vector<SoilProfile> list_soils(db::Connection& c);
// The soil of that profile name (compared exactly); none when there is no such soil.
std::optional<long long> find_soil(db::Connection& c, const std::string& profile);
// Appends a soil with this profile name and the next free soil_ID; returns the id.
long long append_soil(db::Connection& c, const std::string& profile);

// One soil record: column name (lower case) -> value.
using SoilRecord = std::map<std::string, db::Value>;
SoilRecord read_soil(db::Connection& c, long long soilId);

// The values under the missing-value rule when a record is posted, and when the window
// closes over unsaved changes.
extern const std::vector<std::string> kSoilPostRule;   // silt FAT BD PV FC PWP DEG LMBD MAX_LTS
extern const std::vector<std::string> kSoilCloseRule;  // silt FAT BD PV FC PWP

// The missing-value rule: a value greater than 0 was given by the user (X_org true);
// anything else (0, negative, none) becomes -99 with X_org false, so that the simulation
// estimates it.
void apply_missing_value_rule(SoilRecord& record, const std::vector<std::string>& columns);

// Stores the given columns of a soil (the others stay) after applying the rule to
// `ruleColumns`; columns the table lacks are left out. Returns the record as stored.
SoilRecord post_soil(db::Connection& c, long long soilId, SoilRecord values, const std::vector<std::string>& ruleColumns);

// The number of plots whose soil_ID is this soil.
long long plots_using_soil(db::Connection& c, long long soilId);
// Deletes the soil; returns the number of rows removed.
int delete_soil(db::Connection& c, long long soilId);

// The simple soil dialog's values as typed.
struct SimpleSoil {
    std::string name, soilType, gravel, clay, silt;
};

// Soil types offered, compared case-sensitively ("Sl" and "SL" differ).
extern const std::vector<std::string> kSoilTypes;

enum class SimpleSoilField { Name, SoilType, Clay };
// The mandatory values still missing: the soil type "?" and a name or clay holding "?".
std::vector<SimpleSoilField> simple_soil_missing(const SimpleSoil& soil);

// "save this soil": a new soil (editSoilId empty) named like an existing one gets "1"
// appended once; the record holds the name, type, gravel, clay and silt (silt_org true)
// and -99 with X_org false for FAT, BD, PV, FC, PWP, cif, PD and sand. Returns the name
// stored. Throws CellError naming a gravel, clay or silt that is not a number (nothing
// stored).
std::string save_simple_soil(db::Connection& c, const SimpleSoil& soil, std::optional<long long> editSoilId);

} // namespace vt::workbench
