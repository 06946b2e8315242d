#include "model/counters.h"

namespace {

std::string outside(const char* counter, int64_t value, int64_t low, int64_t high) {
    return std::string("The ") + counter + " would be " + std::to_string(value) + "; it must be " +
           std::to_string(low) + " to " + std::to_string(high) + ".";
}

}  // namespace

std::optional<CounterSplit> split_counters(int32_t n, int32_t prescaler) {
    if (prescaler <= 0) return std::nullopt;
    // In 64 bits: near the ends of the 32-bit range B x P can lie outside it (N = -2^31 with
    // P = 3 floors to B x P = -2^31 - 1). B itself always fits, and A lies in 0 .. P - 1.
    int64_t b = int64_t{n} / prescaler;
    if (int64_t{n} % prescaler != 0 && n < 0) --b;  // floor, also below zero
    return CounterSplit{static_cast<int32_t>(b), static_cast<int32_t>(int64_t{n} - b * prescaler)};
}

std::optional<std::string> r_counter_problem(int64_t r) {
    if (r < 1 || r > kMaxRCounter) return outside("R counter", r, 1, kMaxRCounter);
    return std::nullopt;
}

std::optional<std::string> prescaler_problem(int64_t n, int64_t b, int64_t a, int32_t prescaler) {
    if (prescaler <= 1 || b >= a) return std::nullopt;
    const int64_t p = prescaler;
    return "The " + std::to_string(p) + "/" + std::to_string(p + 1) + " prescaler cannot divide by N = " +
           std::to_string(n) + ": B = " + std::to_string(b) + " is below A = " + std::to_string(a) +
           ". It makes every N from " + std::to_string(p * (p - 1)) + " (P x (P - 1)) up.";
}

std::optional<std::string> n_counters_problem(int64_t n, int64_t b, int64_t a, int32_t prescaler) {
    if (n < 1) return "The total divide ratio N would be " + std::to_string(n) + "; it must be at least 1.";
    if (b < 0 || b > kMaxBCounter) return outside("B counter", b, 0, kMaxBCounter);
    if (a < 0 || a > kMaxACounter) return outside("A counter", a, 0, kMaxACounter);
    return prescaler_problem(n, b, a, prescaler);
}
