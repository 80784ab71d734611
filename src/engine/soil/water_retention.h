#pragma once

// Water retention of the fine soil: van Genuchten parameters from pedotransfer functions,
// Brooks-Corey and linear water contents, pore classes. Suctions in hPa; water contents
// as volume fractions (0-1) in the van Genuchten record and in percent by volume where
// named FC and PWP.

namespace vt::engine {

// Van Genuchten parameters of one soil.
struct VanGenuchten {
    double theta_r = 0;      // residual water content, volume fraction
    double theta_s = 0;      // saturated water content, volume fraction
    double alpha = 0;        // 1/hPa
    double n = 0;
    double m = 0;            // 1 - 1/n
    double k_sat = -99;      // saturated conductivity: not estimated
    double l = 0.5;          // pore connectivity
};

// Water contents in percent by volume.
struct WaterContents {
    double FC = 0;           // field capacity
    double PWP = 0;          // permanent wilting point
};

// Water content (volume fraction) at suction h (van Genuchten).
double water_content(const VanGenuchten& p, double h);

// Continuous pedotransfer functions (HYPRES) from silt, clay (%), Corg (%) and BD (g/cm3).
VanGenuchten continuous_water_retention(double silt, double clay, double corg, double bd);

// Water retention parameters by mode; mode 1 is the continuous pedotransfer function, the
// only mode the engine uses. Any other mode throws std::invalid_argument.
VanGenuchten water_retention_parameters(int mode, double silt, double clay, double corg, double bd);

// Zacharias parameters from silt, clay and BD; alpha and n rounded to 6 decimals.
VanGenuchten zacharias_parameters(double silt, double clay, double bd);
// The same from the sand share above 0.05 mm (sandU) directly; the branch switches at
// sandU = 66.6 (66.6 takes the sandy branch).
VanGenuchten zacharias_parameters_for_sand(double sandU, double clay, double bd);

// Brooks-Corey water contents (regression of Rawls and Brakensiek) at the suctions hfc and
// hpwp from the total pore volume PV (% by volume), silt and clay.
WaterContents brooks_corey_water_contents(double hfc, double hpwp, double pv, double silt, double clay);

// Linear water contents from the share finer than 0.01 mm and clay:
// FC = 0.85 * share + 3.4, PWP = 0.74 * clay + 1.23.
WaterContents linear_water_contents(double shareBelow001, double clay);

// Pore classes: fine = PWP / mi, medium = (FC - PWP) / me, coarse = (PV - FC) / ma.
struct PoreClasses {
    double fine = 0;
    double medium = 0;
    double coarse = 0;
    double sum = 0;
};
PoreClasses pore_classes(double ma, double me, double mi, double pwp, double fc, double pv);

// Share of carbon in fine pores: fine / (fine + medium + coarse).
double fine_pore_share(double ma, double me, double mi, double pwp, double fc, double pv);

} // namespace vt::engine
