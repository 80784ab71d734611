#pragma once
#include <array>

// The working record of one soil: thirteen physical properties, each a value with a flag
// that marks it as given (measured or entered). A missing value is -99; completion fills
// the missing (negative) ones and leaves given ones alone.

namespace vt::engine {

inline constexpr double kMissing = -99;

struct SoilValue {
    double value = kMissing;
    bool given = false;

    bool missing() const { return value < 0; }
    // Enters a measured or entered value.
    void give(double v)
    {
        value = v;
        given = true;
    }
};

struct SoilRecord {
    SoilValue clay;     // % finer than 0.002 mm
    SoilValue silt;     // % from 0.002 to 0.063 mm
    SoilValue sand;     // % above 0.063 mm
    SoilValue FAT;      // % finer than 0.0063 mm
    SoilValue BD;       // bulk density, g/cm3
    SoilValue PD;       // particle density, g/cm3
    SoilValue PV;       // total pore volume, % by volume
    SoilValue FC;       // water content at field capacity, % by volume
    SoilValue PWP;      // water content at the wilting point, % by volume
    SoilValue cif;      // share of carbon in fine pores
    SoilValue max_lts;  // upper limit of long-term stable carbon, % C
    SoilValue lmbd;
    SoilValue deg;

    // Pore class shares and their sum; always recomputed by completion.
    double fine = kMissing;
    double medium = kMissing;
    double coarse = kMissing;
    double pore_sum = kMissing;

    double Corg = kMissing;  // organic carbon, %
    double Norg = kMissing;  // organic nitrogen, %
};

// The thirteen properties by name, in record order, for loops that read or write them all.
struct SoilProperty {
    const char* name;
    SoilValue SoilRecord::*member;
};

inline constexpr std::array<SoilProperty, 13> kSoilProperties{{
    {"clay", &SoilRecord::clay},
    {"silt", &SoilRecord::silt},
    {"sand", &SoilRecord::sand},
    {"FAT", &SoilRecord::FAT},
    {"BD", &SoilRecord::BD},
    {"PD", &SoilRecord::PD},
    {"PV", &SoilRecord::PV},
    {"FC", &SoilRecord::FC},
    {"PWP", &SoilRecord::PWP},
    {"cif", &SoilRecord::cif},
    {"max_lts", &SoilRecord::max_lts},
    {"lmbd", &SoilRecord::lmbd},
    {"deg", &SoilRecord::deg},
}};

// Divisors of the fine, medium and coarse pore classes (per soil class; these defaults
// when the class has none).
struct PoreSizeParams {
    double mi = 5;
    double me = 10;
    double ma = 500;
};

} // namespace vt::engine
