// Numbers as the log lines show them, written straight into a line: the same
// bytes as printf's "%d", "%lld", "%u" and "%lf", by std::to_chars (which the
// standard defines to give printf's digits) without a format string to parse
// (the monitor writes a dozen of them per report).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Room for any number these write: "%lf" of the largest double has 309
// digits before its six decimals.
constexpr size_t NUMBER_TEXT_SIZE = 320;

// printf("%lld") of `value` at `out`; returns the length written.
size_t write_decimal(char* out, long long value);

// printf("%llu") of `value` at `out`; returns the length written.
size_t write_unsigned(char* out, unsigned long long value);

// printf("%lf") (six decimals, rounded to nearest with ties to even on the
// exact binary value, "-0.000000", "nan", "-nan", "inf", "-inf") of `value`
// at `out`, which has NUMBER_TEXT_SIZE bytes; returns the length written.
size_t write_fixed6(char* out, double value);

// The same, appended to `text` (the long form of a huge value included).
void append_fixed6(std::string& text, double value);
void append_decimal(std::string& text, long long value);
