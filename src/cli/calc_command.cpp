// veltrano-cli calc: the soil calculators (soil record, BAT, steady state, carbon stock).

#include "cli/command_registry.h"
#include "engine/soil/bat_formula.h"
#include "engine/soil/carbon_rates.h"
#include "engine/soil/pedotransfer.h"
#include "engine/types/run_config.h"
#include "engine/soil/soil_physics.h"
#include "engine/soil/steady_state.h"

#include <charconv>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace vt::cli {

namespace {

using engine::ModelConstants;

// Full double precision, shortest text that reads back to the same number.
std::string format_number(double v)
{
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

void print(std::ostream& out, const std::string& name, double v) { out << name << '=' << format_number(v) << '\n'; }

// The numeric options of one calculator, read as text and converted with clear messages.
class NumberOptions {
public:
    explicit NumberOptions(CLI::App* sub) : sub_(sub) {}

    void add(const std::string& name, const std::string& description, bool required = false)
    {
        auto* opt = sub_->add_option("--" + name, texts_[name], description)->type_name("NUMBER");
        if (required) opt->required();
    }

    std::optional<double> get(const std::string& name) const
    {
        if (sub_->count("--" + name) == 0) return std::nullopt;
        const std::string& text = texts_.at(name);
        double v = 0;
        const auto res = std::from_chars(text.data(), text.data() + text.size(), v);
        if (res.ec != std::errc() || res.ptr != text.data() + text.size() || !std::isfinite(v))
            throw CommandError("--" + name + ": \"" + text + "\" is not a number");
        return v;
    }

    double require(const std::string& name) const
    {
        const auto v = get(name);
        if (!v) throw CommandError("--" + name + " is required");
        return *v;
    }

private:
    CLI::App* sub_;
    std::map<std::string, std::string> texts_;
};

void check_range(const std::string& name, double v, double lo, double hi)
{
    if (v < lo || v > hi)
        throw CommandError("--" + name + " must lie between " + format_number(lo) + " and " + format_number(hi) +
                           " (got " + format_number(v) + ")");
}

void check_positive(const std::string& name, double v)
{
    if (!(v > 0)) throw CommandError("--" + name + " must be above 0 (got " + format_number(v) + ")");
}

// Clay and silt in percent with clay + silt not above 100. Clay 0 is taken as 0.0001 %, as a
// run does, so that the logarithmic particle size curve stays defined.
std::pair<double, double> texture(const NumberOptions& o)
{
    double clay = o.require("clay");
    const double silt = o.require("silt");
    check_range("clay", clay, 0, 100);
    check_range("silt", silt, 0, 100);
    if (clay + silt > 100)
        throw CommandError("clay + silt must not exceed 100 % (got " + format_number(clay + silt) + ")");
    if (clay == 0) clay = 0.0001;
    return {clay, silt};
}

engine::PoreSizeParams pore_size_params(const NumberOptions& o)
{
    engine::PoreSizeParams p;
    for (auto [name, target] : {std::pair{"mi", &p.mi}, std::pair{"me", &p.me}, std::pair{"ma", &p.ma}}) {
        if (auto v = o.get(name)) {
            check_positive(name, *v);
            *target = *v;
        }
    }
    return p;
}

void add_pore_size_options(NumberOptions& o)
{
    o.add("mi", "divisor of the fine pore class (default 5)");
    o.add("me", "divisor of the medium pore class (default 10)");
    o.add("ma", "divisor of the coarse pore class (default 500)");
}

void require_finite(const std::vector<std::pair<std::string, double>>& values, const std::string& what)
{
    for (const auto& [name, v] : values)
        if (!std::isfinite(v)) throw CommandError(what + " cannot be computed for these inputs (" + name + ")");
}

void run_soil(const NumberOptions& o, Context& ctx)
{
    auto [clay, silt] = texture(o);
    const double corg = o.require("corg");
    check_range("corg", corg, 0, 100);

    const ModelConstants k;
    engine::SoilRecord soil;
    soil.clay.give(clay);
    for (auto [name, member, hi] : {std::tuple{"bd", &engine::SoilRecord::BD, 3.0},
                                    std::tuple{"pv", &engine::SoilRecord::PV, 100.0},
                                    std::tuple{"fc", &engine::SoilRecord::FC, 100.0},
                                    std::tuple{"pwp", &engine::SoilRecord::PWP, 100.0},
                                    std::tuple{"fat", &engine::SoilRecord::FAT, 100.0}}) {
        if (auto v = o.get(name)) {
            check_positive(name, *v);
            check_range(name, *v, 0, hi);
            (soil.*member).give(*v);
        }
    }
    if (soil.PV.given && soil.PV.value >= 100) throw CommandError("--pv must be below 100 %");
    // A silt of 0 counts as unknown, as in a run: estimated from the fine fraction when that
    // is given, else the smallest silt.
    if (silt == 0 && soil.FAT.given) silt = engine::silt_from_fat(clay, soil.FAT.value);
    if (!(silt > 0)) silt = 0.0001;
    if (clay + silt > 100) throw CommandError("--fat gives a silt content above 100 % - clay");
    soil.silt.give(silt);

    engine::CompletionInputs in;
    const double ptf = o.get("ptf").value_or(engine::kPtfLieberoth);
    if (ptf != 1 && ptf != 2 && ptf != 3 && ptf != 4)
        throw CommandError("--ptf must be 1 (Brooks/Corey), 2 (Vereecken), 3 (Lieberoth) or 4 (Zacharias)");
    in.hymode = static_cast<int>(ptf);
    const double pfWp = o.get("pf-wp").value_or(4.2);
    const double pfFc = o.get("pf-fc").value_or(1.8);
    check_range("pf-wp", pfWp, 0, 7);
    check_range("pf-fc", pfFc, 0, 7);
    in.hpwp = std::pow(10.0, pfWp);
    in.hfc = std::pow(10.0, pfFc);
    in.kappa = engine::kappa(k);
    in.kd = o.get("deg").value_or(k.kd);
    in.pores = pore_size_params(o);
    in.Corg = corg;
    in.CN = 10.5;
    if (auto norg = o.get("norg")) {
        check_positive("norg", *norg);
        in.CN = corg / *norg;
    }

    engine::complete_soil_record(soil, in);

    std::vector<std::pair<std::string, double>> lines;
    for (const auto& p : engine::kSoilProperties) lines.emplace_back(p.name, (soil.*p.member).value);
    lines.emplace_back("fine", soil.fine);
    lines.emplace_back("medium", soil.medium);
    lines.emplace_back("coarse", soil.coarse);
    lines.emplace_back("pore_sum", soil.pore_sum);
    lines.emplace_back("Corg", soil.Corg);
    lines.emplace_back("Norg", soil.Norg);
    require_finite(lines, "the soil properties");
    for (const auto& [name, v] : lines) print(ctx.out, name, v);
}

void run_bat(const NumberOptions& o, Context& ctx)
{
    const double temp = o.require("temp");
    const double precip = o.require("precip");
    const double fat = o.require("fat");
    if (temp < 0) throw CommandError("--temp: a mean temperature below 0 °C is not covered by the BAT regression");
    check_positive("precip", precip);
    check_positive("fat", fat);
    check_range("fat", fat, 0, 100);

    const double bat = engine::bat_of_year(temp, precip, fat);
    if (bat < 0) throw CommandError("the BAT regression gives a negative BAT for these inputs");
    const double notill = engine::bat_without_tillage(fat, bat);
    require_finite({{"BAT", bat}, {"BATnotill", notill}}, "BAT");
    print(ctx.out, "BAT", bat);
    print(ctx.out, "BATnotill", notill);
}

void run_steady_state(const NumberOptions& o, Context& ctx)
{
    const double repix = o.require("repix");
    if (repix < 0) throw CommandError("--repix must not be negative (got " + format_number(repix) + ")");
    const auto [clay, silt] = texture(o);
    const ModelConstants k;
    engine::SteadyState ss;
    try {
        ss = engine::steady_state(repix, silt, clay, pore_size_params(o), k);
    } catch (const engine::SteadyStateError& e) {
        throw CommandError(e.what(), 1);
    }
    require_finite({{"Corg", ss.Corg}, {"BD", ss.BD}, {"PWP", ss.PWP}, {"cif", ss.cif}, {"rep_ss", ss.rep_ss}},
                   "the steady state");
    print(ctx.out, "Corg", ss.Corg);
    print(ctx.out, "BD", ss.BD);
    print(ctx.out, "PWP", ss.PWP);
    print(ctx.out, "cif", ss.cif);
    print(ctx.out, "rep_ss", ss.rep_ss);
}

void run_stock(const NumberOptions& o, Context& ctx)
{
    double clay = o.require("clay");
    check_range("clay", clay, 0, 100);
    if (clay == 0) clay = 0.0001;
    const auto stock = o.get("stock");
    const auto corg = o.get("corg");
    if (stock.has_value() == corg.has_value()) throw CommandError("give either --stock or --corg");
    if (stock) {
        if (*stock < 0) throw CommandError("--stock must not be negative (got " + format_number(*stock) + ")");
        if (!engine::stock_within_series_range(*stock, clay))
            throw CommandError("--stock " + format_number(*stock) +
                               " kg C/ha lies beyond the range in which its carbon content can be computed");
        const double c = engine::carbon_content_of_stock(*stock, clay);
        require_finite({{"Corg", c}}, "the carbon content");
        print(ctx.out, "Corg", c);
    } else {
        check_range("corg", *corg, 0, 100);
        const double s = engine::carbon_stock_of_content(*corg, clay);
        require_finite({{"stock", s}}, "the carbon stock");
        print(ctx.out, "stock", s);
    }
}

using Runner = void (*)(const NumberOptions&, Context&);

void add_calculator(CLI::App* calc, Context& ctx, const std::string& name, const std::string& description,
                    const std::vector<std::pair<std::string, std::string>>& required,
                    const std::vector<std::pair<std::string, std::string>>& optional, bool poreSizes, Runner run)
{
    auto* sub = calc->add_subcommand(name, description);
    auto options = std::make_shared<NumberOptions>(sub);
    for (const auto& [opt, desc] : required) options->add(opt, desc, true);
    for (const auto& [opt, desc] : optional) options->add(opt, desc);
    if (poreSizes) add_pore_size_options(*options);
    sub->callback([options, run, &ctx] { run(*options, ctx); });
}

const Registrar registrar("calc", [](CLI::App& app, Context& ctx) {
    auto* calc = app.add_subcommand("calc", "Soil calculators: soil properties, BAT, steady state, carbon stock");
    calc->require_subcommand(1);

    add_calculator(calc, ctx, "soil",
                   "Complete a soil record as a run does (given values stay, missing ones are estimated)",
                   {{"clay", "clay (< 0.002 mm), %"}, {"silt", "silt (0.002-0.063 mm), %"}, {"corg", "organic carbon, %"}},
                   {{"norg", "organic nitrogen, % (C/N 10.5 when left out)"},
                    {"bd", "bulk density, g/cm3"},
                    {"pv", "total pore volume, % by volume"},
                    {"fc", "water content at field capacity, % by volume"},
                    {"pwp", "water content at the wilting point, % by volume"},
                    {"fat", "particles finer than 0.0063 mm, %"},
                    {"ptf", "pedotransfer mode: 1 Brooks/Corey, 2 Vereecken, 3 Lieberoth (default), 4 Zacharias"},
                    {"pf-wp", "pF of the wilting point (default 4.2)"},
                    {"pf-fc", "pF of field capacity (default 1.8)"},
                    {"deg", "decay constant of the long-term stable pool (default K_DEG 0.01258)"}},
                   true, run_soil);

    add_calculator(calc, ctx, "bat", "Biologically active time of one year, tilled and untilled",
                   {{"temp", "mean air temperature, °C"},
                    {"precip", "precipitation plus irrigation, mm"},
                    {"fat", "particles finer than 0.0063 mm, %"}},
                   {}, false, run_bat);

    add_calculator(calc, ctx, "steady-state", "Steady-state organic carbon from a reproduction index",
                   {{"repix", "reproduction index, kg C/ha per BAT-day"},
                    {"clay", "clay (< 0.002 mm), %"},
                    {"silt", "silt (0.002-0.063 mm), %"}},
                   {}, true, run_steady_state);

    add_calculator(calc, ctx, "stock", "Organic carbon content of a stock (0-30 cm), or the stock of a content",
                   {{"clay", "clay (< 0.002 mm), %"}},
                   {{"stock", "carbon stock, kg C/ha"}, {"corg", "organic carbon, %"}}, false, run_stock);
});

} // namespace

} // namespace vt::cli
