#include "platform/Text.h"

#include <locale.h>

#include <climits>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Clamps a 1-based window [pos, pos + count) to the text and returns it as 0-based
// start and length; a negative count reaches to the end.
void ClampWindow(size_t size, long long pos, long long count, size_t& start, size_t& length) {
    long long first = pos - 1;
    long long end = count < 0 ? static_cast<long long>(size) : first + count;
    if (first < 0) first = 0;
    if (end > static_cast<long long>(size)) end = static_cast<long long>(size);
    if (end <= first) {
        start = 0;
        length = 0;
        return;
    }
    start = static_cast<size_t>(first);
    length = static_cast<size_t>(end - first);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// C's white space: space, tab, LF, VT, FF, CR.
bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Index of the first byte after leading white space.
size_t SkipSpace(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    return i;
}

}  // namespace

int FindText(const std::string& text, const std::string& sub, int start) {
    size_t from = start < 1 ? 0 : static_cast<size_t>(start) - 1;
    if (from > text.size()) return 0;
    size_t at = text.find(sub, from);
    return at == std::string::npos ? 0 : static_cast<int>(at) + 1;
}

std::string MidText(const std::string& text, int pos, int count) {
    size_t start, length;
    ClampWindow(text.size(), pos, count, start, length);
    return text.substr(start, length);
}

std::string LeftText(const std::string& text, int count) {
    if (count < 1) return std::string();
    return text.substr(0, static_cast<size_t>(count));
}

std::string RightText(const std::string& text, int count) {
    if (count < 1) return std::string();
    size_t n = static_cast<size_t>(count);
    if (n >= text.size()) return text;
    return text.substr(text.size() - n);
}

std::string TrimText(const std::string& text) {
    size_t first = 0;
    size_t end = text.size();
    while (first < end && static_cast<unsigned char>(text[first]) <= 32) ++first;
    while (end > first && static_cast<unsigned char>(text[end - 1]) <= 32) --end;
    return text.substr(first, end - first);
}

std::string ReplaceText(const std::string& text, const std::string& find, const std::string& with) {
    if (find.empty()) return text;
    std::string out;
    out.reserve(text.size());
    size_t from = 0;
    for (;;) {
        size_t at = text.find(find, from);
        if (at == std::string::npos) break;
        out.append(text, from, at - from);
        out += with;
        from = at + find.size();
    }
    out.append(text, from, std::string::npos);
    return out;
}

std::string LowerText(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

namespace {

// Skips leading white space and an optional sign; the index of the first digit.
size_t SkipSign(const std::string& text, bool& negative) {
    size_t i = SkipSpace(text);
    negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    return i;
}

}  // namespace

int ParseInt(const std::string& text) {
    bool negative = false;
    size_t i = SkipSign(text, negative);
    // Unsigned arithmetic: digits beyond the int range wrap in 32 bits instead of overflowing.
    uint32_t value = 0;
    while (i < text.size() && IsDigit(text[i])) {
        value = value * 10u + static_cast<uint32_t>(text[i] - '0');
        ++i;
    }
    if (negative) value = 0u - value;
    return static_cast<int32_t>(value);
}

int ParseIntClamped(const std::string& text, int limit) {
    bool negative = false;
    size_t i = SkipSign(text, negative);
    int value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        // Held at the limit before the next digit, so value * 10 + 9 stays far from overflow.
        value = value > limit / 10 ? limit : std::min(limit, value * 10 + (text[i] - '0'));
    }
    return negative ? -value : value;
}

int TruncatedInt(float value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0f) return INT_MAX;
    if (value <= -2147483648.0f) return INT_MIN;
    return int(value);
}

float ParseFloat(const std::string& text) {
    size_t i = SkipSpace(text);
    size_t begin = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) { ++i; ++digits; }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) { ++i; ++digits; }
    }
    if (digits == 0) return 0.0f;
    // An exponent counts only when at least one digit follows its letter and sign.
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j])) ++j;
            i = j;
        }
    }
    // The number was checked above, so the conversion only needs to be told the decimal
    // point is '.', whatever locale the process runs in.
    static locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    std::string number = text.substr(begin, i - begin);
    if (!cLocale) return std::strtof(number.c_str(), nullptr);
    return strtof_l(number.c_str(), nullptr, cLocale);
}

std::string FloatText(float value) {
    char buffer[64];
    int n = std::snprintf(buffer, sizeof buffer, "%#.9g", static_cast<double>(value));
    if (n < 0) return std::string();
    if (n >= static_cast<int>(sizeof buffer)) n = sizeof buffer - 1;
    return std::string(buffer, static_cast<size_t>(n));
}
