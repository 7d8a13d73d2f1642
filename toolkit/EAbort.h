#pragma once

#include <exception>

namespace quorvane {

// Stops the handler that raises it without telling the user anything.
class EAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

} // namespace quorvane
