#pragma once
#include "engine/soil/soil_record.h"

// Completing a soil record with pedotransfer functions, and the soil properties that follow
// an organic carbon content.

namespace vt::engine {

// Pedotransfer modes for the water contents FC and PWP (the run setting hymode).
enum PtfMode : int {
    kPtfBrooksCorey = 1,
    kPtfVereecken = 2,
    kPtfLieberoth = 3,
    kPtfZacharias = 4,
};

// The mode's name in the run log: "Brooks/Corey", "Vereecken", "Lieberoth", "Zacharias";
// "" for any other mode.
const char* ptf_mode_name(int hymode);

// The C/N ratio of a soil's organic matter when no nitrogen content was observed: the
// middle of the 9-12 that arable topsoils of Central Europe show (Scheffer/Schachtschabel,
// Soil Science, 2016, ch. 3.2).
inline constexpr double kDefaultSoilCnRatio = 10.5;

// What completion needs besides the record.
struct CompletionInputs {
    int hymode = kPtfLieberoth;
    double kappa = 0;      // (ka + ks) / (ka * km)
    double kd = kMissing;  // the soil's decay constant of the long-term pool, or -99
    double hfc = 0;        // suction at field capacity, hPa
    double hpwp = 0;       // suction at the wilting point, hPa
    PoreSizeParams pores;
    double CN = kDefaultSoilCnRatio;  // C/N ratio of the soil organic matter
    double Corg = 0;       // organic carbon content, %
};

// Fills every missing (negative) property of the record from texture, Corg and the
// inputs; given values stay. clay and silt must be present. In order: FAT, BD, PD, PV,
// FC and PWP by the pedotransfer mode (0 for an unknown mode), cif, the pore classes
// (always recomputed), deg := kd, lmbd := saturation factor * kappa, max_lts from the
// carbon saturation of the fine fraction, sand := 100 - clay - silt; then Corg and
// Norg = Corg / CN.
void complete_soil_record(SoilRecord& soil, const CompletionInputs& in);

// Upper limit of long-term stable carbon (% C): the carbon saturation content of the fine
// fraction Csat = (0.37 * share below 0.02 mm + 4.09) / 10 times the fine pore share of a
// soil at that content. pvGiven: the pore volume pv (% by volume) was measured; it then
// sets the particle density at saturation.
double max_lts_of_soil(double silt, double clay, bool pvGiven, double pv, double hfc, double hpwp,
                       const PoreSizeParams& pores);

// Soil properties at an organic carbon content, with the suctions 10^4.2 hPa (wilting
// point) and 10^1.8 hPa (field capacity) and Brooks-Corey water contents when at least
// 22 % of the particles are finer than 0.01 mm, else the linear ones.
struct CarbonSoilProperties {
    double BD = 0;
    double PD = 0;
    double PV = 0;
    double FC = 0;
    double PWP = 0;
    double cif = 0;
};
CarbonSoilProperties soil_properties_for_carbon(double corg, double clay, double silt, const PoreSizeParams& pores);

} // namespace vt::engine
