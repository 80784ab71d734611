#include "regional_database.h"

#include "db/connection.h"
#include "db/sql_quote.h"

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <vector>

namespace vt::bench {

namespace {

// Uniform numbers from a standard engine without the library's distributions, whose
// output differs between standard libraries.
class Draw {
public:
    explicit Draw(std::uint64_t seed) : rng_(seed) {}
    double uniform(double lo, double hi) { return lo + (hi - lo) * static_cast<double>(rng_() >> 11) * 0x1.0p-53; }
    bool chance(double p) { return uniform(0, 1) < p; }
    int integer(int lo, int hi) { return lo + static_cast<int>(rng_() % static_cast<std::uint64_t>(hi - lo + 1)); }
    double rounded(double lo, double hi, double step) { return step * static_cast<long long>(uniform(lo, hi) / step); }

private:
    std::mt19937_64 rng_;
};

struct Crop {
    int item;
    bool byProduct;  // has a by-product that can stay on the field (Macode 9)
    double yieldLo, yieldHi;
};

constexpr std::array<Crop, 6> kCrops{{{1, true, 50, 95}, {2, true, 40, 80}, {3, false, 70, 120},
                                      {4, true, 25, 45}, {5, false, 450, 750}, {6, false, 60, 110}}};

struct TextureClass {
    const char* rbs;
    double clayLo, clayHi, siltLo, siltHi;
};

constexpr std::array<TextureClass, 8> kTextures{{{"S", 1, 5, 0, 10},
                                                 {"Sl", 5, 8, 10, 14},
                                                 {"lS", 6, 10, 14, 19},
                                                 {"SL", 8, 14, 19, 24},
                                                 {"sL", 12, 18, 24, 30},
                                                 {"L", 15, 25, 30, 45},
                                                 {"LT", 25, 40, 45, 60},
                                                 {"T", 40, 60, 60, 80}}};

void fill_parameters(db::Connection& c)
{
    c.executeScript(R"(
        INSERT INTO gldpflan (ITEM_IX, NAME, kurzbez, HI, N_Gehalt, CEWR, FEWR, ewr_ix, kop_ix, grd_ix) VALUES
            (1, 'winter wheat', 'WW', 0.8, 2.1, 20, 0.5, 101, 111, 106),
            (2, 'spring barley', 'SG', 0.7, 1.8, 15, 0.45, 102, 111, 106),
            (3, 'silage maize', 'SM', 0, 1.3, 25, 0.3, 103, 0, 106),
            (4, 'rapeseed', 'WR', 1.7, 3.3, 15, 0.6, 104, 112, 106),
            (5, 'sugar beet', 'ZR', 0.7, 0.18, 10, 0.15, 105, 0, 106),
            (6, 'clover grass', 'KG', 0, 2.4, 40, 0.7, 106, 0, 106);
        INSERT INTO gldopspa (item_ix, NAME, od, K, ETA, CNR, CNR_alt, TS_GEHALT, C_GEH_TS, mkd) VALUES
            (101, 'wheat residues', 0, 0.05, 0.3, 30, 25, 0.86, 0.45, 0),
            (102, 'barley residues', 0, 0.055, 0.3, 28, 24, 0.86, 0.45, 0),
            (103, 'maize residues', 0, 0.045, 0.32, 35, 30, 0.86, 0.45, 0),
            (104, 'rapeseed residues', 0, 0.06, 0.28, 25, 22, 0.86, 0.45, 0),
            (105, 'beet residues', 0, 0.09, 0.2, 15, 14, 0.18, 0.4, 0),
            (106, 'grass sward', 0, 0.03, 0.3, 20, 18, 0.2, 0.45, 0),
            (111, 'cereal straw', 0, 0.04, 0.25, 80, 70, 0.86, 0.45, 1),
            (112, 'rapeseed straw', 0, 0.045, 0.25, 60, 55, 0.86, 0.45, 1),
            (201, 'cattle manure', -1, 0.02, 0.35, 15, 12, 0.25, 0.4, 0),
            (202, 'pig slurry', -1, 0.08, 0.2, 8, 6, 0.06, 0.42, 0);
    )");
}

// The catch crop of `catchCrops` databases and its harvest residues.
void fill_catch_crop(db::Connection& c)
{
    c.executeScript(R"(
        INSERT INTO gldpflan (ITEM_IX, NAME, kurzbez, HI, N_Gehalt, CEWR, FEWR, ewr_ix, kop_ix, grd_ix) VALUES
            (7, 'mustard catch crop', 'SF', 0, 0.35, 10, 0.2, 107, 0, 106);
        INSERT INTO gldopspa (item_ix, NAME, od, K, ETA, CNR, CNR_alt, TS_GEHALT, C_GEH_TS, mkd) VALUES
            (107, 'mustard residues', 0, 0.08, 0.22, 18, 16, 0.15, 0.42, 0);
    )");
}

void fill_soils(db::Connection& c, Draw& d, int soils)
{
    auto soil = c.prepare(
        "INSERT INTO soilproperties (soil_ID, profile, soilclass, BA_RBS, clay, silt, silt_org, sand, sand_org, FAT,"
        " FAT_org, PWP, PWP_org, FC, FC_org, PV, PV_org, PD, PD_org, BD, BD_org, skelett, cif, cif_org, fchw, fbio,"
        " max_lts, max_lts_org, deg, deg_org, lmbd, lmbd_org)"
        " VALUES (?, ?, 1, ?, ?, ?, ?, -99, 0, -99, 0, ?, ?, ?, ?, -99, 0, -99, 0, ?, ?, ?, -99, 0, ?, ?, -99, 0,"
        " -99, 0, -99, 0)");
    for (int s = 1; s <= soils; ++s) {
        const TextureClass& t = kTextures[static_cast<size_t>(s - 1) % kTextures.size()];
        const bool siltGiven = d.chance(0.5), bdGiven = d.chance(0.5), waterGiven = d.chance(0.3);
        const double clay = d.rounded(t.clayLo, t.clayHi, 0.5);
        soil.bind(1, s).bind(2, "profile " + std::to_string(s)).bind(3, std::string(t.rbs)).bind(4, clay);
        // Clay and silt are drawn apart; together they stay within the fine soil.
        const double silt = siltGiven ? std::min(d.rounded(t.siltLo, t.siltHi, 0.5), 100 - clay) : -99.0;
        soil.bind(5, silt).bind(6, siltGiven ? -1 : 0);
        soil.bind(7, waterGiven ? 8 + clay * 0.4 : -99.0).bind(8, waterGiven ? -1 : 0);
        soil.bind(9, waterGiven ? 22 + clay * 0.35 : -99.0).bind(10, waterGiven ? -1 : 0);
        soil.bind(11, bdGiven ? d.rounded(1.25, 1.65, 0.01) : -99.0).bind(12, bdGiven ? -1 : 0);
        soil.bind(13, d.chance(0.3) ? d.rounded(0, 0.12, 0.01) : 0.0);
        soil.bind(14, d.chance(0.8) ? 15.0 : 0.0).bind(15, 0.03);
        soil.execute();
    }
}

void fill_climate(db::Connection& c, Draw& d, int stations, const RegionalDatabaseShape& shape)
{
    auto station = c.prepare("INSERT INTO climate_station (climate_ID, station, year0_nd, year1_nd, ndep_0, ndep_1)"
                             " VALUES (?, ?, 1960, 2020, 20, 15)");
    auto year = c.prepare("INSERT INTO climate_data (climate_ID, day, month, [year], temperature, precipitation)"
                          " VALUES (?, 0, 0, ?, ?, ?)");
    for (int s = 1; s <= stations; ++s) {
        station.bind(1, s).bind(2, "station " + std::to_string(s));
        station.execute();
        const double temperature = d.uniform(6.5, 11), precipitation = d.uniform(450, 900);
        year.bind(1, s).bind(2, 0).bind(3, temperature).bind(4, precipitation);
        year.execute();
        for (int y = shape.firstYear; y < shape.firstYear + shape.years; ++y) {
            if (d.chance(0.05)) continue;  // the long-term mean stands in
            year.bind(1, s).bind(2, y).bind(3, temperature + d.uniform(-1.5, 1.5));
            year.bind(4, precipitation * d.uniform(0.7, 1.3));
            year.execute();
        }
    }
}

class PlotWriter {
public:
    PlotWriter(db::Connection& c, Draw& d, const RegionalDatabaseShape& shape)
        : d_(d), spec_(shape),
          plot_(c.prepare("INSERT INTO field_description (FL_ID, site_description, Location, versuch_code, climate_ID,"
                          " soil_ID, mw_BAT, notill, i_con, repix, Herkunft) VALUES (?, ?, ?, ?, ?, ?, ?, ?, 'obsval', 29,"
                          " ?)")),
          state_(c.prepare("INSERT INTO site_state (FL_ID, status, res_val) VALUES (?, 1, 0)")),
          event_(c.prepare("INSERT INTO cultivation (FL_ID, [year], Macode, Item_IX, Quantity, part)"
                           " VALUES (?, ?, ?, ?, ?, ?)")),
          obs_(c.prepare("INSERT INTO measurements (FL_ID, M_IX, [year], year_number, meas_value)"
                         " VALUES (?, ?, ?, ?, ?)"))
    {
    }

    // The stored id of the plot numbered `fl` (1, 2, ...).
    long long storedId(long long fl) const
    {
        return spec_.idGaps ? 100 * ((fl - 1) / 7 + 1) + (fl - 1) % 7 + 1 : fl;
    }

    void write(long long n, int stations, int soils, int experiments)
    {
        const long long fl = storedId(n);
        number_ = n;
        if (spec_.dense) return writeDense(fl, stations, soils, experiments);
        const double notill = d_.chance(0.15) ? 2 : (d_.chance(0.1) ? 1 : 0);
        describe(fl, stations, d_.integer(1, soils), notill, experiments);

        const double corg = d_.rounded(0.7, 2.6, 0.01);
        observe(fl, 7, spec_.firstYear, 0, corg);
        if (d_.chance(0.8)) observe(fl, 0, spec_.firstYear, 0, d_.rounded(corg / 12, corg / 8.5, 0.001));
        for (int n = 10; n < spec_.years; n += 10) observe(fl, 7, spec_.firstYear + n, n, corg * d_.uniform(0.85, 1.15));

        const bool irrigated = d_.chance(0.2), manured = d_.chance(0.4), slurried = d_.chance(0.3);
        for (int y = spec_.firstYear; y < spec_.firstYear + spec_.years; ++y) {
            crops(fl, y);
            if (manured && d_.chance(0.3)) event(fl, y, 3, 201, d_.rounded(15, 40, 1), d_.rounded(30, 100, 5));
            if (slurried && d_.chance(0.5)) event(fl, y, 3, 202, d_.rounded(15, 40, 1), d_.rounded(50, 100, 5));
            if (irrigated && d_.chance(0.5)) event(fl, y, 7, 0, d_.rounded(40, 160, 10), d_.rounded(20, 100, 5));
            if (notill == 2 && (y == spec_.firstYear || d_.chance(0.1)))
                event(fl, y, 14, 0, 0, d_.rounded(0, 100, 5));
        }
    }

private:
    void describe(long long fl, int stations, int soil, double notill, int experiments)
    {
        const long long n = number_;
        const long long experiment = experiments > 0 ? 1 + (n - 1) % experiments : 0;
        plot_.bind(1, fl).bind(2, "plot " + std::to_string(fl)).bind(3, "region " + std::to_string(n % 17));
        plot_.bind(4, experiment > 0 ? "E" + std::to_string(experiment) : std::string("REG"));
        plot_.bind(5, 1 + (n - 1) % stations).bind(6, soil).bind(7, d_.rounded(30, 70, 0.1));
        plot_.bind(8, notill);
        if (experiment > 0)
            plot_.bind(9, "origin " + std::to_string(experiment % 23));
        else
            plot_.bindNull(9);
        plot_.execute();
        state_.bind(1, fl);
        state_.execute();
    }

    // A plot of a users' database: the crops of every year, mineral fertiliser, manure or
    // slurry, tillage shares, irrigation, and observations every few years.
    void writeDense(long long fl, int stations, int soils, int experiments)
    {
        const double notill = d_.chance(0.3) ? 2 : (d_.chance(0.1) ? 1 : 0);
        describe(fl, stations, d_.integer(1, soils), notill, experiments);

        const double corg = d_.rounded(0.7, 2.6, 0.01);
        const double nt = d_.rounded(corg / 12, corg / 8.5, 0.001);
        observe(fl, 7, spec_.firstYear, 0, corg);
        observe(fl, 0, spec_.firstYear, 0, nt);
        for (int n = 1; n < spec_.years; ++n) {
            if (n % 3 == 0) observe(fl, 7, spec_.firstYear + n, n, corg * d_.uniform(0.85, 1.15));
            if (n % 4 == 0) observe(fl, 0, spec_.firstYear + n, n, nt * d_.uniform(0.85, 1.15));
            if (n % 10 == 5) observe(fl, 5, spec_.firstYear + n, n, d_.rounded(200, 600, 1));
        }

        const bool twoCrops = d_.chance(0.35), irrigated = d_.chance(0.15);
        const int organic = d_.integer(0, 3);  // 0 none, 1 manure, 2 slurry, 3 both
        for (int y = spec_.firstYear; y < spec_.firstYear + spec_.years; ++y) {
            if (twoCrops) {
                crops(fl, y);
            } else {
                const Crop& c = kCrops[static_cast<size_t>(d_.integer(0, static_cast<int>(kCrops.size()) - 1))];
                event(fl, y, c.byProduct && d_.chance(0.5) ? 9 : 2, c.item, d_.rounded(c.yieldLo, c.yieldHi, 0.5), 100);
            }
            if (spec_.catchCrops) {
                if (d_.chance(0.33)) {
                    const Crop& c = kCrops[static_cast<size_t>(d_.integer(0, static_cast<int>(kCrops.size()) - 1))];
                    event(fl, y, 2, c.item, d_.rounded(c.yieldLo, c.yieldHi, 0.5) / 2, 100);
                }
                if (d_.chance(0.5)) event(fl, y, 2, 7, d_.rounded(150, 300, 5), 100);
            }
            for (int k = d_.integer(2, 3); k > 0; --k) event(fl, y, 4, 0, d_.rounded(30, 90, 5), 100);
            if ((organic & 1) && d_.chance(0.6)) event(fl, y, 3, 201, d_.rounded(15, 40, 1), d_.rounded(30, 100, 5));
            if ((organic & 2) && d_.chance(0.8)) event(fl, y, 3, 202, d_.rounded(15, 40, 1), d_.rounded(50, 100, 5));
            if (irrigated && d_.chance(0.5)) event(fl, y, 7, 0, d_.rounded(40, 160, 10), d_.rounded(20, 100, 5));
            if (notill == 2) event(fl, y, 14, 0, 0, d_.rounded(0, 100, 5));
        }
    }

    void observe(long long fl, int mix, int year, int yearNumber, double value)
    {
        obs_.bind(1, fl).bind(2, mix).bind(3, year).bind(4, yearNumber).bind(5, value);
        obs_.execute();
    }
    void event(long long fl, int year, int macode, int item, double quantity, double part)
    {
        if (spec_.shuffledEvents) {
            held_.push_back({fl, year, macode, item, quantity, part});
            return;
        }
        event_.bind(1, fl).bind(2, year).bind(3, macode).bind(4, item).bind(5, quantity).bind(6, part);
        event_.execute();
    }
    // The year's crops: one on the whole plot, or two sharing it.
    void crops(long long fl, int year)
    {
        const double first = d_.chance(0.6) ? 100 : d_.rounded(20, 80, 5);
        for (double part : {first, 100 - first}) {
            if (part <= 0) continue;
            const Crop& c = kCrops[static_cast<size_t>(d_.integer(0, static_cast<int>(kCrops.size()) - 1))];
            const int macode = c.byProduct && d_.chance(0.5) ? 9 : 2;
            event(fl, year, macode, c.item, d_.rounded(c.yieldLo, c.yieldHi, 0.5), part);
        }
    }

public:
    // Writes the events held for `shuffledEvents` in an order drawn at random.
    void writeHeldEvents()
    {
        for (size_t i = held_.size(); i > 1; --i)
            std::swap(held_[i - 1], held_[static_cast<size_t>(d_.integer(0, static_cast<int>(i) - 1))]);
        for (const HeldEvent& e : held_) {
            event_.bind(1, e.fl).bind(2, e.year).bind(3, e.macode).bind(4, e.item).bind(5, e.quantity).bind(6, e.part);
            event_.execute();
        }
        held_.clear();
    }

private:
    struct HeldEvent {
        long long fl;
        int year, macode, item;
        double quantity, part;
    };

    Draw& d_;
    const RegionalDatabaseShape& spec_;
    db::Statement plot_, state_, event_, obs_;
    long long number_ = 0;
    std::vector<HeldEvent> held_;
};

} // namespace

void fill_regional_database(db::Connection& c, const RegionalDatabaseShape& shape)
{
    Draw d(shape.seed);
    if (!c.columnExists("cultivation", "part")) c.execute("ALTER TABLE cultivation ADD part double");
    const int stations = shape.stations > 0 ? shape.stations : static_cast<int>(std::max<long long>(1, shape.plots / 25));
    const int soils = std::max(1, shape.soils);
    db::Transaction t(c);
    if (!shape.secondaryIndexes) {
        // Every index a statement declared; those of primary keys have no statement.
        std::vector<std::string> names;
        for (auto cur = c.query("SELECT name FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL"); !cur.eof();
             cur.next())
            names.push_back(cur.getString("name"));
        for (const std::string& name : names) c.execute("DROP INDEX " + db::quote_ident(name));
    }
    fill_parameters(c);
    if (shape.catchCrops) fill_catch_crop(c);
    fill_soils(c, d, soils);
    fill_climate(c, d, stations, shape);
    if (shape.experiments > 0) {
        auto experiment = c.prepare("INSERT INTO experiments (exp_id, vcode, location, herkunft) VALUES (?, ?, ?, ?)");
        for (int e = 1; e <= shape.experiments; ++e) {
            experiment.bind(1, e).bind(2, "E" + std::to_string(e)).bind(3, "region " + std::to_string(e % 17));
            experiment.bind(4, "origin " + std::to_string(e % 23));
            experiment.execute();
        }
    }
    PlotWriter plots(c, d, shape);
    for (long long fl = 1; fl <= shape.plots; ++fl) plots.write(fl, stations, soils, shape.experiments);
    plots.writeHeldEvents();
    t.commit();
}

RegionalDatabaseShape users_database_shape(long long plots, int years, std::uint64_t seed)
{
    RegionalDatabaseShape s;
    s.plots = plots;
    s.years = years;
    s.seed = seed;
    s.dense = true;
    s.secondaryIndexes = false;
    s.stations = 250;
    s.soils = 500;
    s.experiments = 500;
    return s;
}

} // namespace vt::bench
