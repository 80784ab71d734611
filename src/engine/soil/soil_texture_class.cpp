#include "engine/soil/soil_texture_class.h"

#include "engine/soil/soil_physics.h"
#include "base/text.h"

#include <algorithm>
#include <map>

namespace vt::engine {

using base::to_lower;
using base::to_upper;
using base::trim;

namespace {


std::optional<ClassRange> find(const std::map<std::string, ClassRange>& table, const std::string& soilClass)
{
    const auto it = table.find(trim(soilClass));
    if (it == table.end()) return std::nullopt;
    return it->second;
}

double pick(const ClassRange& r, int interpol)
{
    if (interpol < 0) return r.lower;
    if (interpol > 0) return r.upper;
    return (r.lower + r.upper) / 2;
}

} // namespace

std::optional<ClassRange> ka4_silt_range(const std::string& soilClass)
{
    static const std::map<std::string, ClassRange> silt{
        {"Uu", {80, 100}},  {"Us", {50, 80}},  {"Su4", {40, 50}},  {"Su3", {25, 40}}, {"Su2", {10, 25}},
        {"Sl2", {10, 25}},  {"Ss", {0, 10}},   {"St2", {0, 10}},   {"Sl3", {10, 40}}, {"Sl4", {10, 40}},
        {"Slu", {40, 50}},  {"Uls", {50, 65}}, {"Ut2", {65, 100}}, {"Ut3", {65, 100}}, {"Ut4", {65, 100}},
        {"Tu4", {65, 100}}, {"Lu", {50, 65}},  {"Tu3", {50, 65}},  {"Lt3", {30, 50}}, {"Lt2", {30, 50}},
        {"Ls2", {40, 50}},  {"Ls3", {30, 40}}, {"Lts", {15, 30}},  {"Ls4", {15, 30}}, {"St3", {0, 15}},
        {"Ts4", {0, 15}},   {"Ts3", {0, 15}},  {"Ts2", {0, 15}},   {"Tl", {15, 30}},  {"Tu2", {30, 55}},
        {"Tt", {0, 35}},
    };
    return find(silt, soilClass);
}

std::optional<ClassRange> rbs_fine_range(const std::string& soilClass)
{
    static const std::map<std::string, ClassRange> fine{
        {"S", {0, 10}},   {"Sl", {10, 14}}, {"lS", {14, 19}}, {"SL", {19, 24}},
        {"sL", {24, 30}}, {"L", {30, 45}},  {"LT", {45, 60}}, {"T", {60, 100}},
    };
    return find(fine, soilClass);
}

std::optional<double> silt_from_texture_class(const std::string& scheme, const std::string& soilClass, double clay,
                                              int interpol)
{
    double silt = 0;
    if (scheme == "KA4") {
        if (const auto r = ka4_silt_range(soilClass)) silt = pick(*r, interpol);
    } else if (scheme == "RBS") {
        if (const auto r = rbs_fine_range(soilClass)) {
            const auto siltOf = [clay](double share) {
                return particle_share_below(0.063, 0.002, clay, 0.01, share) - clay;
            };
            const ClassRange asSilt{siltOf(std::max(r->lower, clay + 0.0001)), siltOf(r->upper)};
            silt = pick(asSilt, interpol);
        }
    } else {
        return std::nullopt;
    }
    return silt == 0 ? 0.0001 : silt;
}

const char* interpol_label(int interpol)
{
    if (interpol < 0) return "min";
    if (interpol > 0) return "max";
    return "mean";
}

} // namespace vt::engine
