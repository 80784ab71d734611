#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

namespace vt::base {

// A hash of a pair of whole numbers (plot and year, station and year). The numbers are
// mixed in unsigned arithmetic, which wraps where plot numbers are large.
inline std::size_t hash_pair(std::int64_t a, std::int64_t b) noexcept
{
    const auto mixed = static_cast<std::uint64_t>(a) * 1000003ULL + static_cast<std::uint64_t>(b);
    return std::hash<std::uint64_t>()(mixed);
}

} // namespace vt::base
