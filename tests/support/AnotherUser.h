#pragma once

#include <functional>
#include <optional>
#include <string>

namespace quorvane::testing {

// Runs body in a forked child that has become user and group 65534 (nobody) and gives the child's
// exit code (128 + the signal when one ended it); nothing, with the reason in *missing, where this
// process may not change its user.
std::optional<int> RunAsAnotherUser(const std::function<int()>& body, std::string* missing);

} // namespace quorvane::testing
