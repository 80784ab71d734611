#include "gui/app/app_state.h"

#include "base/text.h"

#include <charconv>

namespace vt::gui {

bool AppState::german() const { return base::to_upper(language) == "D"; }

std::array<int, 4> split_version(const std::string& text)
{
    std::array<int, 4> parts{};
    std::size_t start = 0;
    for (int i = 0; i < 4 && start <= text.size(); ++i) {
        const auto dot = text.find('.', start);
        const auto piece = text.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        int v = 0;
        std::from_chars(piece.data(), piece.data() + piece.size(), v);
        parts[static_cast<std::size_t>(i)] = v;
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    return parts;
}

std::string program_version()
{
    const auto p = split_version(VELTRANO_VERSION);
    return std::to_string(p[0]) + "." + std::to_string(p[1]) + "." + std::to_string(p[2]) + "." + std::to_string(p[3]);
}

} // namespace vt::gui
