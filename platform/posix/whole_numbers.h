// Whole numbers as the programs' options take them: digits alone, no sign, no blanks.
#pragma once
#include <cstdint>
#include <string_view>

// Decimal digits, or hexadecimal ones (either case) with base 16; false when digits is
// empty, holds anything else, or names a value above limit.
bool ParseWholeNumber(std::string_view digits, uint32_t base, uint64_t limit, uint64_t& value);
