#include "common/clock.hpp"

#include <sys/time.h>
#include <time.h>

#include <cerrno>
#include <chrono>

namespace vorn {

int DaysInMonth(int year, int month) {
    if (month < 1 || month > 12) return 31;
    const std::chrono::year_month_day_last last{
        std::chrono::year{year},
        std::chrono::month_day_last{std::chrono::month{static_cast<unsigned>(month)}}};
    return static_cast<int>(static_cast<unsigned>(last.day()));
}

std::int64_t SecondsSince1970(const DateTime& t) {
    const std::chrono::sys_days day = std::chrono::year{t.year} /
                                      std::chrono::month{static_cast<unsigned>(t.month)} /
                                      std::chrono::day{static_cast<unsigned>(t.day)};
    return static_cast<std::int64_t>(day.time_since_epoch().count()) * 86400 + t.hour * 3600 +
           t.minute * 60 + t.second;
}

DateTime DateTimeOf(std::int64_t seconds) {
    const std::int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    const std::int64_t rest = seconds - days * 86400;
    const std::chrono::sys_days day{std::chrono::days{days}};
    const std::chrono::year_month_day ymd{day};
    DateTime t;
    t.year = static_cast<int>(ymd.year());
    t.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    t.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    t.weekday = static_cast<int>(std::chrono::weekday{day}.c_encoding());
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest % 3600 / 60);
    t.second = static_cast<int>(rest % 60);
    return t;
}

DateTime SystemClock::now() {
    struct timeval tv {};
    ::gettimeofday(&tv, nullptr);
    struct tm local {};
    const time_t seconds = tv.tv_sec;
    ::localtime_r(&seconds, &local);
    DateTime t;
    t.year = local.tm_year + 1900;
    t.month = local.tm_mon + 1;
    t.day = local.tm_mday;
    t.weekday = local.tm_wday;
    t.hour = local.tm_hour;
    t.minute = local.tm_min;
    t.second = local.tm_sec > 59 ? 59 : local.tm_sec;
    t.hundredths = static_cast<int>(tv.tv_usec / 10000);
    return t;
}

std::int64_t SystemClock::monotonic_ms() {
    struct timespec ts {};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

void SystemClock::sleep_ms(int ms) {
    if (ms <= 0) return;
    struct timespec req {
        ms / 1000, (ms % 1000) * 1000000L
    };
    while (::nanosleep(&req, &req) != 0 && errno == EINTR) {
    }
}

void ManualClock::advance_ms(std::int64_t ms) {
    if (ms <= 0) return;
    monotonic_ += ms;
    fraction_ms_ += ms;
    std::int64_t seconds = fraction_ms_ / 1000;
    fraction_ms_ %= 1000;
    now_.hundredths = static_cast<int>(fraction_ms_ / 10);
    while (seconds > 0) {
        --seconds;
        if (++now_.second < 60) continue;
        now_.second = 0;
        if (++now_.minute < 60) continue;
        now_.minute = 0;
        if (++now_.hour < 24) continue;
        now_.hour = 0;
        now_.weekday = (now_.weekday + 1) % 7;
        if (++now_.day <= DaysInMonth(now_.year, now_.month)) continue;
        now_.day = 1;
        if (++now_.month <= 12) continue;
        now_.month = 1;
        ++now_.year;
    }
}

}  // namespace vorn
