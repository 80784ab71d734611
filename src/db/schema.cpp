#include "db/schema.h"

#include "db/connection.h"
#include "base/number_format.h"
#include "db/savepoint.h"
#include "db/model_constant_defaults.h"

#include <string>
#include <vector>

namespace vt::db {

namespace {

// Column types follow the experiment database's own: int, integer, double, float,
// char(n), text, and YESNO for yes/no columns (-1 yes, 0 no; numeric affinity).
// Keys: cultivation_id and meas_ID are generated when a copy statement leaves them out.
const std::vector<const char*> kExperimentTables = {
    // Plots and their selection for runs.
    "create table field_description (FL_ID int, site_description text, Location text, versuch_code text, "
    "Herkunft text, classification text, comment text, climate_ID int, soil_ID int, area float DEFAULT -99, "
    "mw_BAT double, notill float DEFAULT 0, i_con char(8) DEFAULT 'obsval', rep_cnt int DEFAULT 0, "
    "repix double DEFAULT 29)",
    "create index fdix2 on field_description (FL_ID)",
    "create index fdix on field_description (climate_ID)",
    "create table site_state (FL_ID int, status int DEFAULT 0, res_val double DEFAULT 0)",
    "create index ix_site_state_fl on site_state (FL_ID)",
    "create table experiments (exp_id int, vcode text, location text, herkunft text)",

    // Soils. A property with an _org companion keeps there whether it was measured.
    "create table soilproperties (soil_ID int, profile text, soilclass integer DEFAULT 0, BA_RBS text, "
    "BA_RBS_CODE text, BA_KA4 text, BA_LfL text, clay double, silt double, silt_org YESNO DEFAULT 0, "
    "sand double, sand_org YESNO DEFAULT 0, FAT double, FAT_org YESNO DEFAULT 0, PWP double, "
    "PWP_org YESNO DEFAULT 0, FC double, FC_org YESNO DEFAULT 0, PV double, PV_org YESNO DEFAULT 0, "
    "PD double, PD_org YESNO DEFAULT 0, BD double, BD_org YESNO DEFAULT 0, skelett double DEFAULT 0, "
    "cif double, cif_org YESNO DEFAULT 0, fchw float, fbio float, max_lts double, max_lts_org YESNO DEFAULT 0, "
    "deg double, deg_org YESNO DEFAULT 0, lmbd double, lmbd_org YESNO DEFAULT 0)",
    "create index ix_soilproperties_id on soilproperties (soil_ID)",
    "create table pore_size_parm (soilclass integer, mi double, me double, ma double)",

    // Climate stations, their years (year 0: long-term mean) and nitrogen deposition.
    "create table climate_station (climate_ID int, station text, year0_nd int, year1_nd int, ndep_0 double, "
    "ndep_1 double)",
    "create table climate_data (climate_ID int, day int, month int, [year] int, temperature double, "
    "precipitation double, primary key (climate_ID, [year]))",
    ddl::kRegNdeposit,
    ddl::kTmpNdeposit,

    // Observations and management events.
    "create table measurements (meas_ID integer primary key, FL_ID int, M_IX int, [year] int, Month int, day int, "
    "year_number int, meas_value double, vrnz float, weight double DEFAULT 1)",
    "create index ix_measurements_fl on measurements (FL_ID, M_IX)",
    "create table cultivation (cultivation_id integer primary key, FL_ID int, FL_ID_alt double, day int, "
    "month int, [year] int, Macode int, Item_IX int, Quantity double, Sim_Quantity double)",
    "create index ix_cultivation_fl on cultivation (FL_ID, [year])",
};

const std::vector<const char*> kParameterTables = {
    // Crops, organic primary substances, mineral fertilisers. NAME holds the name in the
    // interface language, copied from NAME_en or NAME_de when the program starts.
    "create table gldpflan (ITEM_IX int primary key, NAME text, NAME_en text, NAME_de text, kurzbez text, "
    "HI double, N_Gehalt double, CEWR double, FEWR double, ewr_ix int, kop_ix int, grd_ix int, ros_ix int, "
    "main_crop int, nsaat_ix int, leg_ix int, oeko_code int, modell text)",
    "create table gldopspa (item_ix int primary key, NAME text, NAME_en text, NAME_de text, od YESNO DEFAULT 0, "
    "K double, ETA double, CNR double, CNR_alt double, TS_GEHALT double, C_GEH_TS double, mkd double DEFAULT 0, "
    "ros_ix int)",
    "create table gldmindg (item_ix int primary key, name text)",
    ddl::kGldselCrop,
    ddl::kGldselOps,
    ddl::kGldselFrt,

    // Seed and legume nitrogen of the field nitrogen budget.
    "create table n_saat_input (nsaat_ix int, NAME text, menge double, n_gehalt double)",
    "create table leg_parm (leg_ix int, NAME text, faktor double, konstante double)",

    // Model constants, BAT regression, reproduction index classes, sensitivity factors.
    "create table gldaparm (item_ix int, NAME text, K_AOS double, K_AKT double, K_STAB double, K_DEG double, "
    "CNR_OBS double, H_PWP double, H_FC double)",
    "create table wmzprm (xfat double, xa double, xb double, xc double)",
    ddl::kRpxClass,
    "create table rux_var_fac (ID int, F_BAT double, F_BD double, F_CREP double)",

    // Names of management actions and observed properties.
    "create table gldaktion (ACTION_ID int primary key, [ACTION] text, UNIT_INTENSITY text, DEF_INTENSITY text, "
    "ACTION_en text, ACTION_de text, DEF_INTENSITY_en text, DEF_INTENSITY_de text)",
    "create table GLN_MWML (M_IX int, BEZEICHNUNG text, EINHEIT text, KLASSE text, MERKMAL text, KURZBEZ text, "
    "F_LENGTH int, F_DECS int)",

    // Humus balance coefficients and result.
    "create table huba_crop (crop_IX int, NAME text, HI double, kop_ix int, huba double, LUFA1 double, "
    "LUFA2 double, LUFA3 double, HE_crop double)",
    "create table huba_oram (oram_ix int, NAME text, huba double, [HÄQ] double, HE_od double)",
    "create table hubi_c_bilanz (FL_ID int, year_ int, Corg double, hb_crop double, HB_ORAM double)",

    // The database's model method.
    ddl::kVtnSetting,

    // Literature references of the experiments.
    "create table referenzen (lit_id int, quelle text, autor text, jahr int, Titel text, produkt text, "
    "herausgeber text, ort text, band text, seite text, ausgabe text)",
    "create table ref2vcode (lit_id int, versuchs_code text)",
    "create table refkey_def (key_id int, key_name text, description text)",
    "create table key2ref2fl (key_id int, ref_id int, fl_id int)",
};

const std::vector<const char*> kResultTables = {
    ddl::kSimResult,
    "create index sort on sim_result (fl_id, m_ix, year_)",
    ddl::kRuxNresult,
    ddl::kRuxZbv,
    "create table rux_protokoll (fl_id int, N_ int, mean_error double, RMSD double, S double, smw double, "
    "bias YESNO, datum_ datetime)",
    "create table rux_driver (fl_id int, year_ int, c_org double)",
    "create table rs_table (fl_id int, [year] int, M_IX int, obs_value double, sim_value double)",
    ddl::kSomState,
    ddl::kFomState,
    ddl::kTmpOutlist,
};

std::string gldaparm_norm_row()
{
    namespace k = model_defaults;
    return "insert into gldaparm (item_ix, NAME, K_AOS, K_AKT, K_STAB, K_DEG, CNR_OBS, H_PWP, H_FC) values (1, 'NORM', " +
           base::format_number(k::kAos) + ", " + base::format_number(k::kAkt) + ", " + base::format_number(k::kStab) + ", " +
           base::format_number(k::kDeg) + ", " + base::format_number(k::cnrObs) + ", " + base::format_number(k::hPwp) + ", " +
           base::format_number(k::hFc) + ")";
}

const std::vector<const char*> kFixedRows = {
    ddl::kVtnSettingRow,
    ddl::kRpxClassRows,
    // BAT regression coefficients by fine fraction, ascending in xfat.
    "insert into wmzprm (xfat, xa, xb, xc) values (6.0, 3.3541, 0.015698, 9.087), (8.0, 3.1825, 0.01325, 10.2234), "
    "(11.5, 3.0629, 0.003204, 14.5547), (15.0, 2.1824, -0.009797, 23.0218), (22.0, 2.1698, -0.02726, 23.6263), "
    "(32.0, 2.0054, -0.03232, 22.9473), (44.0, 1.8676, -0.03178, 22.93)",
    // Sensitivity runs read the row with ID 1; neutral factors change nothing.
    "insert into rux_var_fac (ID, F_BAT, F_BD, F_CREP) values (1, 1, 1, 1)",
    "insert into GLN_MWML (M_IX, BEZEICHNUNG, EINHEIT, KLASSE, MERKMAL, KURZBEZ, F_LENGTH, F_DECS) values "
    "(7, 'soil organic carbon', '%', 'soil', 'Corg', 'Corg', 8, 3), "
    "(0, 'total soil nitrogen', '%', 'soil', 'Nt', 'Nt', 8, 4), "
    "(5, 'microbial biomass carbon', 'mg C/100 g', 'soil', 'Cmic', 'Cmic', 8, 1), "
    "(20, 'nitrogen removal by the harvest', 'kg N/ha', 'crop', 'N uptake', 'Nentz', 8, 1), "
    "(-1, 'initial active carbon: deviation from steady state', 'fraction', 'model', 'non_bal', 'nonbal', 8, 3)",
    "insert into gldaktion (ACTION_ID, [ACTION], UNIT_INTENSITY, DEF_INTENSITY, ACTION_en, ACTION_de, "
    "DEF_INTENSITY_en, DEF_INTENSITY_de) values "
    "(0, 'ploughing up of grassland', 'dt/ha', '0', 'ploughing up of grassland', 'Grünlandumbruch', '0', '0'), "
    "(2, 'harvest, by-product removed', 'dt/ha', '70', 'harvest, by-product removed', "
    "'Ernte, Nebenprodukt abgefahren', '70', '70'), "
    "(3, 'organic amendment', 'dt/ha', '300', 'organic amendment', 'organische Düngung', '300', '300'), "
    "(4, 'mineral N fertilizer', 'kg N/ha', '100', 'mineral N fertilizer', 'mineralische N-Düngung', '100', '100'), "
    "(5, 'soil tillage', 'cm', '25', 'soil tillage', 'Bodenbearbeitung', '25', '25'), "
    "(7, 'irrigation', 'mm', '30', 'irrigation', 'Beregnung', '30', '30'), "
    "(9, 'harvest, by-product left on the field', 'dt/ha', '70', 'harvest, by-product left on the field', "
    "'Ernte, Nebenprodukt verbleibt', '70', '70'), "
    "(14, 'tillage change: no-tillage share', '%', '100', 'tillage change: no-tillage share', "
    "'Wechsel der Bodenbearbeitung: Direktsaatanteil', '100', '100')",
};

void run_all(Connection& c, const std::vector<const char*>& statements)
{
    for (const char* sql : statements) c.execute(sql);
}

} // namespace

void create_schema(Connection& c)
{
    Savepoint sp(c, "create_schema");
    run_all(c, kExperimentTables);
    run_all(c, kParameterTables);
    run_all(c, kResultTables);
    run_all(c, kFixedRows);
    c.execute(gldaparm_norm_row());
    sp.release();
}

} // namespace vt::db
