#include "db/value.h"

#include "db/jet_functions.h"
#include "base/number_format.h"

#include <cmath>

namespace vt::db {

double Value::toDouble() const
{
    if (auto* i = std::get_if<std::int64_t>(&v_)) return static_cast<double>(*i);
    if (auto* d = std::get_if<double>(&v_)) return *d;
    if (auto* s = std::get_if<std::string>(&v_)) return jet_val(*s);
    return 0.0;
}

std::int64_t Value::toInt() const
{
    if (auto* i = std::get_if<std::int64_t>(&v_)) return *i;
    const double d = toDouble();
    if (!std::isfinite(d)) return 0;
    return static_cast<std::int64_t>(std::llround(d));
}

std::string Value::toString() const
{
    if (auto* i = std::get_if<std::int64_t>(&v_)) return std::to_string(*i);
    if (auto* d = std::get_if<double>(&v_)) return base::format_number(*d);
    if (auto* s = std::get_if<std::string>(&v_)) return *s;
    return {};
}

} // namespace vt::db
