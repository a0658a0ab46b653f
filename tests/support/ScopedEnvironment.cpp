#include "support/ScopedEnvironment.h"

#include <cstdlib>
#include <stdexcept>

#ifdef _WIN32
#include "text/WideText.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace vinculor::testing {

namespace {

#ifdef _WIN32

std::optional<std::string> get(const std::string& name) {
    const wchar_t* value = _wgetenv(text::widen(name).c_str());
    if (value == nullptr) {
        return std::nullopt;
    }
    return text::narrow(value);
}

// An empty value removes the variable on Windows, as unsetting does elsewhere.
void put(const std::string& name, const std::optional<std::string>& value) {
    if (_wputenv_s(text::widen(name).c_str(), value ? text::widen(*value).c_str() : L"") != 0) {
        throw std::runtime_error("cannot set " + name);
    }
}

#else

std::optional<std::string> get(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

void put(const std::string& name, const std::optional<std::string>& value) {
    const int failed = value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
    if (failed != 0) {
        throw std::runtime_error("cannot set " + name);
    }
}

#endif

} // namespace

ScopedEnvironment::ScopedEnvironment(std::string name, const std::string& utf8Value)
    : name_(std::move(name)), previous_(get(name_)) {
    put(name_, utf8Value);
}

ScopedEnvironment::~ScopedEnvironment() {
    try {
        put(name_, previous_);
    } catch (...) {
    }
}

} // namespace vinculor::testing
