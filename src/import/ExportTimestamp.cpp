#include "import/ExportTimestamp.h"

#include <cstdio>

#ifdef _WIN32
#include "text/WideText.h"

#include <windows.h>
#endif

namespace vinculor::importing {

#ifdef _WIN32

std::string exportTimestamp(std::time_t when) {
    std::tm local{};
    localtime_s(&local, &when);
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(local.tm_year + 1900);
    st.wMonth = static_cast<WORD>(local.tm_mon + 1);
    st.wDay = static_cast<WORD>(local.tm_mday);
    st.wHour = static_cast<WORD>(local.tm_hour);
    st.wMinute = static_cast<WORD>(local.tm_min);
    st.wSecond = static_cast<WORD>(local.tm_sec);
    wchar_t date[128] = {};
    wchar_t time[128] = {};
    GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, 128);
    GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, time, 128);
    return text::narrow(date) + " " + text::narrow(time);
}

#else

std::string exportTimestamp(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d %d:%02d:%02d", local.tm_mday, local.tm_mon + 1,
                  local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
    return buffer;
}

#endif

} // namespace vinculor::importing
