#pragma once

#include <stdexcept>
#include <string>

namespace vinculor {

// The one error type of the program. Its message is Spanish and is shown to the
// user as it stands; only the front ends catch it.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

} // namespace vinculor
