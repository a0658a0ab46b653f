#include "support/ScopedEnvironment.h"

#include <cstdlib>
#include <stdexcept>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace vinculor::testing {

namespace {

#ifdef _WIN32

std::wstring wide(const std::string& utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                      static_cast<int>(utf8.size()), nullptr, 0);
    if (n <= 0) {
        throw std::runtime_error("not UTF-8: " + utf8);
    }
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::optional<std::string> get(const std::string& name) {
    const wchar_t* value = _wgetenv(wide(name).c_str());
    if (value == nullptr) {
        return std::nullopt;
    }
    const std::wstring w(value);
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// An empty value removes the variable on Windows, as unsetting does elsewhere.
void put(const std::string& name, const std::optional<std::string>& value) {
    if (_wputenv_s(wide(name).c_str(), value ? wide(*value).c_str() : L"") != 0) {
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
