// Numbers as text, through the standard library's exact and locale-free
// std::to_chars, for lines assembled without a printf format (a report's
// lines, a CSV row): the same text as printf gives.
//
//     append_integer(out, -42)   "-42"           as %d, %u, %lld
//     append_fixed(out, 0.5)     "0.500000"      as %lf: six decimals, "nan", "-inf"
//     append_fixed(out, 1e300)   "1000000000000000052504760255204420248704468581108159..."
//                                                 (every digit, as %lf)
//     append_shortest(out, 0.1)  "0.1"           the shortest text that reads back the same
#pragma once

#include <cstddef>
#include <string>

// Room for any double with six decimals: 309 digits, a sign, a point and six more.
constexpr size_t FIXED_ROOM = 330;

void append_integer(std::string& out, long long value);
void append_fixed(std::string& out, double value);
void append_shortest(std::string& out, double value);
