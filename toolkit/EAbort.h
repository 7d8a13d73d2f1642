#pragma once

#include <stdexcept>
#include <string>

namespace quorvane {

// Stops the handler that raises it without telling the user anything; its text is for whoever
// catches it on purpose.
class EAbort : public std::runtime_error {
public:
    explicit EAbort(const std::string& message = "Operation aborted")
        : std::runtime_error(message)
    {
    }
};

} // namespace quorvane
