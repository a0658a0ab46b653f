#include "export/SessionTime.h"

#include "base/Error.h"
#include "text/Text.h"

#include <cmath>

namespace vinculor::exporting {

namespace {

bool isWhole(double x) {
    return x == std::floor(x);
}

} // namespace

float sessionTime(std::string_view horasText, const SessionLengths& lengths) {
    std::string horas(horasText);
    if (horas == "00,00") {
        horas = "01,00";
    }
    float value = static_cast<float>(text::parseDecimal(horas));
    if (text::mid(horas, 4, 2) == "00") {
        return value; // whole hours
    }
    const float minutes = value * 60.0f;
    if (!std::isfinite(minutes)) {
        throw Error("'" + std::string(horasText) + "' is not a valid floating point value");
    }
    int candidates[3] = {lengths.first, lengths.second, lengths.second != 0 ? lengths.third : 0};
    for (const int length : candidates) {
        if (length != 0 && isWhole(static_cast<double>(minutes) / length)) {
            return static_cast<float>(static_cast<double>(minutes) / length);
        }
    }
    // No session length fits: whole hours, rounded up.
    return static_cast<float>(std::ceil(static_cast<double>(minutes) / 60.0));
}

std::string sessionPattern(float value) {
    double count = std::ceil(static_cast<double>(value));
    std::string pattern;
    if (count > 13) {
        pattern = text::formatDecimal(count - 13);
        count = 13;
    }
    if (count > 0) {
        pattern.append(static_cast<std::size_t>(count), '1');
    }
    return pattern;
}

} // namespace vinculor::exporting
