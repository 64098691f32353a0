// The one source of time. Every date, time of day, elapsed time and pause goes through a Clock,
// so tests replace it and a six-minute timeout takes milliseconds.
#pragma once

#include <cstdint>

namespace vorn {

struct DateTime {
    int year = 2000;
    int month = 1;    // 1..12
    int day = 1;      // 1..31
    int weekday = 0;  // 0 Sunday .. 6 Saturday
    int hour = 0;     // 0..23
    int minute = 0;
    int second = 0;
    int hundredths = 0;  // 0..99

    // Seconds since midnight, with hundredths.
    double seconds_of_day() const {
        return hour * 3600.0 + minute * 60.0 + second + hundredths / 100.0;
    }
};

// The days of `month` (1..12) in `year`; 31 for a month outside the year.
int DaysInMonth(int year, int month);
// The seconds from 1970-01-01 00:00 to `t`, both taken as times of the same zone.
std::int64_t SecondsSince1970(const DateTime& t);
// The date and time that many seconds after 1970-01-01 00:00 (weekday included).
DateTime DateTimeOf(std::int64_t seconds);

class Clock {
  public:
    virtual ~Clock() = default;
    // Local date and time.
    virtual DateTime now() = 0;
    // A steady count of milliseconds for measuring intervals; never goes back.
    virtual std::int64_t monotonic_ms() = 0;
    // Pauses the process (a test clock just moves on).
    virtual void sleep_ms(int ms) = 0;
};

// The real clock of the machine.
class SystemClock final : public Clock {
  public:
    DateTime now() override;
    std::int64_t monotonic_ms() override;
    void sleep_ms(int ms) override;
};

// A clock that stands still until told to move; sleeping moves it.
class ManualClock final : public Clock {
  public:
    explicit ManualClock(DateTime start = {}) : now_(start) {}
    DateTime now() override { return now_; }
    std::int64_t monotonic_ms() override { return monotonic_; }
    void sleep_ms(int ms) override { advance_ms(ms); }

    void set(const DateTime& t) { now_ = t; }
    // Moves both the wall clock (within the day, rolling the date over) and the steady count.
    void advance_ms(std::int64_t ms);

  private:
    DateTime now_;
    std::int64_t monotonic_ = 0;
    std::int64_t fraction_ms_ = 0;
};

}  // namespace vorn
