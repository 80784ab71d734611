#include "engine/soil/pedotransfer.h"

#include "engine/soil/soil_physics.h"
#include "engine/soil/water_retention.h"

#include <cmath>

namespace vt::engine {

namespace {

// At and above this share of particles finer than 0.01 mm (%) the Brooks-Corey
// regression holds; below it the linear water contents.
constexpr double kBrooksCoreyMinShare001 = 22;

WaterContents van_genuchten_contents(const VanGenuchten& p, double hfc, double hpwp)
{
    WaterContents w;
    w.FC = 100 * water_content(p, hfc);
    w.PWP = 100 * water_content(p, hpwp);
    return w;
}

WaterContents ptf_water_contents(const SoilRecord& s, const CompletionInputs& in, double share001)
{
    const double clay = s.clay.value;
    const double silt = s.silt.value;
    switch (in.hymode) {
    case kPtfBrooksCorey:
        return brooks_corey_water_contents(in.hfc, in.hpwp, s.PV.value, silt, clay);
    case kPtfVereecken: {
        const double corg = in.Corg == 0 ? 0.05 * s.FAT.value + 0.5 : in.Corg;
        return van_genuchten_contents(continuous_water_retention(silt, clay, corg, s.BD.value), in.hfc, in.hpwp);
    }
    case kPtfLieberoth:
        if (share001 >= kBrooksCoreyMinShare001)
            return brooks_corey_water_contents(in.hfc, in.hpwp, s.PV.value, silt, clay);
        return linear_water_contents(share001, clay);
    case kPtfZacharias:
        return van_genuchten_contents(zacharias_parameters(silt, clay, s.BD.value), in.hfc, in.hpwp);
    default:
        return WaterContents{};
    }
}

} // namespace

const char* ptf_mode_name(int hymode)
{
    switch (hymode) {
    case kPtfBrooksCorey: return "Brooks/Corey";
    case kPtfVereecken: return "Vereecken";
    case kPtfLieberoth: return "Lieberoth";
    case kPtfZacharias: return "Zacharias";
    default: return "";
    }
}

double max_lts_of_soil(double silt, double clay, bool pvGiven, double pv, double hfc, double hpwp,
                       const PoreSizeParams& pores)
{
    const double csat = (0.37 * share_below_002_from_texture(silt, clay) + 4.09) / 10;
    const double bd = bulk_density(csat, clay);
    const double pd = pvGiven ? bd / (1 - pv / 100) : particle_density(csat, clay);
    const double pvSat = (1 - bd / pd) * 100;
    const WaterContents w = van_genuchten_contents(continuous_water_retention(silt, clay, csat, bd), hfc, hpwp);
    const double cifSat = fine_pore_share(pores.ma, pores.me, pores.mi, w.PWP, w.FC, pvSat);
    return csat * cifSat;
}

void complete_soil_record(SoilRecord& s, const CompletionInputs& in)
{
    const double clay = s.clay.value;
    const double silt = s.silt.value;
    const double corg = in.Corg;
    const PoreSizeParams& p = in.pores;

    if (s.FAT.missing()) s.FAT.value = fine_fraction_from_texture(silt, clay);
    const double share001 = share_below_001_from_fat(silt, clay, s.FAT.value);

    if (s.BD.missing()) s.BD.value = bulk_density(corg, clay);
    const bool pvGiven = !s.PV.missing();
    if (s.PD.missing()) s.PD.value = pvGiven ? s.BD.value / (1 - s.PV.value / 100) : particle_density(corg, clay);
    if (s.PV.missing()) s.PV.value = (1 - s.BD.value / s.PD.value) * 100;

    if (s.FC.missing() || s.PWP.missing()) {
        const WaterContents w = ptf_water_contents(s, in, share001);
        if (s.FC.missing()) s.FC.value = w.FC;
        if (s.PWP.missing()) s.PWP.value = w.PWP;
    }

    if (s.cif.missing()) s.cif.value = fine_pore_share(p.ma, p.me, p.mi, s.PWP.value, s.FC.value, s.PV.value);
    const PoreClasses classes = pore_classes(p.ma, p.me, p.mi, s.PWP.value, s.FC.value, s.PV.value);
    s.fine = classes.fine;
    s.medium = classes.medium;
    s.coarse = classes.coarse;
    s.pore_sum = classes.sum;

    if (s.deg.missing()) s.deg.value = in.kd;
    if (s.lmbd.missing()) s.lmbd.value = saturation_factor(clay, silt) * in.kappa;
    if (s.max_lts.missing()) s.max_lts.value = max_lts_of_soil(silt, clay, pvGiven, s.PV.value, in.hfc, in.hpwp, p);
    if (s.sand.missing()) s.sand.value = 100 - clay - silt;

    s.Corg = corg;
    s.Norg = corg / in.CN;
}

CarbonSoilProperties soil_properties_for_carbon(double corg, double clay, double silt, const PoreSizeParams& pores)
{
    static const double hpwp = std::pow(10.0, 4.2);
    static const double hfc = std::pow(10.0, 1.8);

    CarbonSoilProperties r;
    r.BD = bulk_density(corg, clay);
    r.PD = particle_density(corg, clay);
    r.PV = (1 - r.BD / r.PD) * 100;
    const double share001 = share_below_001_from_texture(silt, clay);
    const WaterContents w = share001 >= kBrooksCoreyMinShare001
                                ? brooks_corey_water_contents(hfc, hpwp, r.PV, silt, clay)
                                : linear_water_contents(share001, clay);
    r.FC = w.FC;
    r.PWP = w.PWP;
    r.cif = fine_pore_share(pores.ma, pores.me, pores.mi, r.PWP, r.FC, r.PV);
    return r;
}

} // namespace vt::engine
