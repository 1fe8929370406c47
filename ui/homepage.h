#pragma once

namespace varnelo {

// The program's notice and homepage, shown and opened by the footer line.
inline constexpr const char* kNoticeText = "Varnelo - pictures into coloured text";
inline constexpr const char* kHomepageHost = "varnelo.org";
inline constexpr const char* kHomepageAddress = "https://varnelo.org/";

} // namespace varnelo
