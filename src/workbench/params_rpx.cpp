#include "workbench/params_rpx.h"

#include "db/connection.h"

#include <cmath>
#include <stdexcept>

namespace vt::workbench {

std::vector<RpxClass> read_rpx_classes(db::Connection& c)
{
    std::vector<RpxClass> out;
    auto cur = c.query("select class_id, class, name, rpx_l, rpx_h from rpx_class order by _rowid_");
    for (; !cur.eof(); cur.next())
        out.push_back({cur.field(0).toInt(), cur.field(1).toString(), cur.field(2).toString(), cur.field(3).toDouble(),
                       cur.field(4).toDouble()});
    return out;
}

InitialSom initial_som(db::Connection& c, long long flId, const std::vector<RpxClass>& classes)
{
    InitialSom s;
    auto soil = c.query("select sp.silt+sp.clay as cl_sl from soilproperties sp, field_description fd "
                        "where fd.soil_id=sp.soil_id and fd.fl_id=?",
                        {db::Value(flId)});
    if (soil.eof() || soil.field(0).isNull())
        throw std::runtime_error("plot " + std::to_string(flId) + " has no soil with silt and clay contents");
    s.orpx = 0.3828 * soil.field(0).toDouble() + 22.409;
    s.repix = c.scalar("select repix from field_description where fl_id=?", {db::Value(flId)}).toDouble();
    s.level = classes.empty() ? 0 : static_cast<int>(classes.size()) - 1;
    const double ratio = s.repix / s.orpx;
    for (std::size_t i = 0; i < classes.size(); ++i)
        if (classes[i].high >= ratio) {
            s.level = static_cast<int>(i);
            break;
        }
    return s;
}

double rpx_level_value(const std::vector<RpxClass>& classes, int level)
{
    if (level < 0 || level >= static_cast<int>(classes.size())) return 0;
    const auto& k = classes[static_cast<std::size_t>(level)];
    if (level == 0) return k.high;
    if (level == static_cast<int>(classes.size()) - 1) return k.low;
    return (k.low + k.high) / 2;
}

double rpx_suggestion(const std::vector<RpxClass>& classes, int level, double orpx)
{
    return std::round(rpx_level_value(classes, level) * orpx * 10) / 10;
}

double save_repix(db::Connection& c, long long flId, double value)
{
    const double v = std::round(value * 100) / 100;
    c.execute("update field_description set repix=? where fl_id=?", {db::Value(v), db::Value(flId)});
    return v;
}

} // namespace vt::workbench
