#pragma once

#include <cstddef>
#include <string_view>

// The dashboard's page, style sheet and script, embedded into the program at build time.
namespace brask::server::assets {

std::string_view index_html();
std::string_view style_css();
std::string_view app_js();

}  // namespace brask::server::assets
