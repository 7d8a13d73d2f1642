#include "platform/text/FileName.h"

namespace quorvane {

std::string_view FileNameOf(std::string_view path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

} // namespace quorvane
