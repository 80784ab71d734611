#pragma once
#include <optional>
#include <string>

namespace vt::engine {

// Range of a texture class: lower bound exclusive, upper bound inclusive, in percent.
struct ClassRange {
    double lower = 0;
    double upper = 0;
};

// Silt range of a German soil texture class of the "KA4" scheme ("Uu", "Sl3", "Tt", ...).
std::optional<ClassRange> ka4_silt_range(const std::string& soilClass);

// Range of the share finer than 0.01 mm of a soil assessment class of the "RBS" scheme
// ("S", "Sl", "lS", "SL", "sL", "L", "LT", "T").
std::optional<ClassRange> rbs_fine_range(const std::string& soilClass);

// Silt estimated from the texture class of a soil with the given clay content: the
// class's lower bound (interpol -1, "min"), the mean of both bounds (0, "mean") or the
// upper bound (1, "max"). For "RBS" each bound b of the share below 0.01 mm becomes silt
// through the particle size curve through (0.002 mm, clay) and (0.01 mm, b), the lower
// one at least clay + 0.0001. An unknown class gives 0, and a silt of 0 becomes 0.0001.
// Returns nothing for a scheme other than "RBS" and "KA4".
std::optional<double> silt_from_texture_class(const std::string& scheme, const std::string& soilClass, double clay,
                                              int interpol);

// "min", "mean" or "max" for the interpolation setting, as the run log shows it.
const char* interpol_label(int interpol);

} // namespace vt::engine
