#pragma once
#include <string>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::workbench {

// A class of the reproduction index (rpx_class), in table order.
struct RpxClass {
    long long id = 0;
    std::string cls, name;
    double low = 0, high = 0;
};
std::vector<RpxClass> read_rpx_classes(db::Connection& c);

// "Set initial SOM" for one plot: the texture reference orpx = 0.3828 (silt + clay)
// + 22.409 of the plot's soil, the plot's repix, and the suggested level: the first
// class whose upper bound is at least repix / orpx (the last class when none is).
struct InitialSom {
    double orpx = 0;
    double repix = 0;
    int level = 0;  // index into the classes
};
// Throws std::runtime_error when the plot has no soil with silt and clay.
InitialSom initial_som(db::Connection& c, long long flId, const std::vector<RpxClass>& classes);

// The index of a level: the upper bound for the first, the lower bound for the last,
// the middle of the bounds in between.
double rpx_level_value(const std::vector<RpxClass>& classes, int level);
// What the input field shows for a level: value × orpx rounded to one decimal.
double rpx_suggestion(const std::vector<RpxClass>& classes, int level, double orpx);
// "save": the value rounded to two decimals is stored as the plot's repix and returned.
double save_repix(db::Connection& c, long long flId, double value);

} // namespace vt::workbench
