#include "platform/posix/whole_numbers.h"

bool ParseWholeNumber(std::string_view digits, uint32_t base, uint64_t limit, uint64_t& value) {
    if (digits.empty()) return false;
    value = 0;
    for (const char c : digits) {
        uint32_t digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<uint32_t>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = static_cast<uint32_t>(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = static_cast<uint32_t>(c - 'A' + 10);
        else
            return false;
        if (digit > limit || value > (limit - digit) / base) return false;
        value = value * base + digit;
    }
    return true;
}
