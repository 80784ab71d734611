#pragma once

namespace vt::engine {

struct PrepContext;

// The soil property table tmp_soil_prop: one row per selected plot and initial carbon
// observation (M_IX 7, year_number 0), or one row per selected plot with the default
// initial values 9.99 / 0.99 for a browser run of a plot of kind "null". Columns:
// FL_ID, year, corg, norg, soil_ID, profile, BA_RBS, soilclass, i_con, clay, silt,
// silt_org, sand, sand_org, FAT, FAT_org, PWP, PWP_org, PV, PV_org, FC, FC_org, PD,
// PD_org, BD, BD_org, skelett (fraction), cif, cif_org, soil_cat, fchw, fbio, max_lts,
// max_lts_org, deg, deg_org, lmbd, lmbd_org, then BA_KA4 (the class of the "KA4"
// scheme) and the plot's own kd and hf, which the soil check fills. Logs "tmp soil :".
long long build_soil_property_table(const PrepContext& p);


} // namespace vt::engine
