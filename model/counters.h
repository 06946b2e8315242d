#pragma once
// The counter split shared by every frequency plan, and the limits of the counter fields.
//
// N = P x B + A: B = floor(N / P), A = N - B x P. The variant without dual-modulus prescaler
// uses P = 1, so B = N and A = 0. The latch writer does not mask the counters, so a plan whose
// counters do not fit their fields must be rejected before anything is stored or sent: an
// oversized B or A would flip the neighbouring bits (charge-pump gain, divide-by-2).
#include <cstdint>
#include <optional>
#include <string>

inline constexpr int32_t kMaxRCounter = 16383;  // 14 bits
inline constexpr int32_t kMaxBCounter = 8191;   // 13 bits
inline constexpr int32_t kMaxACounter = 31;     // 5 bits

struct CounterSplit {
    int32_t b = 0;
    int32_t a = 0;
    bool operator==(const CounterSplit&) const = default;
};

// Empty when the prescaler is 0 or less.
std::optional<CounterSplit> split_counters(int32_t n, int32_t prescaler);

// Why an R counter does not fit its field ("The R counter would be 20000; it must be 1 to
// 16383."), or empty when it fits.
std::optional<std::string> r_counter_problem(int64_t r);
// Why a dual-modulus prescaler P/P+1 cannot divide by N = P x B + A with these counters: of the B
// counts, the A first ones divide by P + 1, so B must be at least A. Every N from P x (P - 1) up
// can be made so; below it only some. Empty where it can, and for P = 1 (no dual modulus).
std::optional<std::string> prescaler_problem(int64_t n, int64_t b, int64_t a, int32_t prescaler);
// Why N (at least 1) and the B and A counters it splits into do not fit their fields, or cannot
// be made with the prescaler P.
std::optional<std::string> n_counters_problem(int64_t n, int64_t b, int64_t a, int32_t prescaler);
