#include "eval/parameter_text.h"

#include "base/text.h"

#include <cmath>
#include <stdexcept>

namespace vt::eval {

double parse_finite_number(const std::string& text, const std::string& what)
{
    const std::string t = base::trim(text);
    std::size_t used = 0;
    double v = 0;
    try {
        v = std::stod(t, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (t.empty() || used != t.size() || !std::isfinite(v))
        throw std::invalid_argument(what + ": \"" + t + "\" is not a number");
    return v;
}

} // namespace vt::eval
