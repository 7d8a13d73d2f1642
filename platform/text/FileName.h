#pragma once

#include <string_view>

namespace quorvane {

// The file name part of a path: the text after its last "/", all of it when there is none. On
// Linux ":" and "\" are ordinary characters of a name.
std::string_view FileNameOf(std::string_view path);

} // namespace quorvane
