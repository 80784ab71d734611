#pragma once
#include "db/connection.h"
#include "engine/types/run_config.h"
#include "engine/run/run_driver.h"
#include "support/temp_dir.h"

#include <memory>
#include <string>
#include <vector>

namespace vt::test {

// A small experiment database with the tables a run reads, one crop (wheat, item 1,
// residues 101, straw 102, grass 103) and one amendment (manure 201), in a temporary
// file. Plots, soils, climate, events and observations are added per test.
class RunFixture {
public:
    explicit RunFixture(bool regional = false);

    db::Connection& db() { return *db_; }
    const std::string& path() const { return path_; }

    void addPlot(long long fl, long long soil = 1, long long climate = 1, double notill = 0, int status = 1,
                 const std::string& icon = "obsval", double mwBat = 40);
    // A soil with clay, a given silt and a given bulk density (negative: not given).
    void addSoil(long long soil, double clay, double silt, double bd = -99, const std::string& rbs = "L");
    void addClimate(long long climate, long long year, double temperature, double precipitation);
    void addEvent(long long fl, long long year, int macode, long long item, double quantity, double share = 0);
    void addMeasurement(long long fl, int mix, long long year, long long yearNumber, double value);

    // A configuration for the fixture: Lieberoth water contents, recalculated BAT.
    engine::RunConfig config() const;

    struct Run {
        engine::RunResult result;
        std::vector<std::string> log;
        std::vector<std::string> messages;  // caption + ": " + text
    };
    Run run(const engine::RunConfig& cfg);
    Run run() { return run(config()); }

    double number(const std::string& sql);

private:
    TempDir dir_;
    std::string path_;
    std::unique_ptr<db::Connection> db_;
    bool regional_;
};

} // namespace vt::test
