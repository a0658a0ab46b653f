#pragma once

#include <optional>
#include <string>

namespace vinculor::testing {

// Sets an environment variable (UTF-8 name and value; on Windows through the
// wide environment, as a user's accented value would be) and restores what it
// was, or removes it, when it goes.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::string name, const std::string& utf8Value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

} // namespace vinculor::testing
