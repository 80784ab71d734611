#pragma once
#include <optional>

namespace vt::eval {

// Two-sided 95 % quantile of Student's t for n - 2 degrees of freedom, as the fixed table
// with four decimals for 3 <= n <= 61; nullopt outside that range.
std::optional<double> critical_t(long n);

// The smallest correlation coefficient that is significant at 95 % for n pairs:
// t / sqrt(t² + n - 2); nullopt outside 3 <= n <= 61.
std::optional<long double> critical_r(long n);

} // namespace vt::eval
