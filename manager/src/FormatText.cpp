#include "FormatText.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>

namespace {

std::string Render(const TFormatArg& AArg, char AConversion, int APrecision) {
    if (const auto* text = std::get_if<std::string>(&AArg))
        return *text;
    if (const auto* number = std::get_if<int64_t>(&AArg))
        return std::to_string(*number);
    const double value = std::get<double>(AArg);
    char buffer[64];
    const int precision = AConversion == 'f' && APrecision >= 0 ? std::min(APrecision, 20) : 6;
    std::snprintf(buffer, sizeof buffer, "%.*f", precision, value);
    return buffer;
}

} // namespace

std::string FormatText(std::string_view AFormat, std::initializer_list<TFormatArg> AArgs) {
    std::string out;
    const TFormatArg* next = AArgs.begin();
    size_t i = 0;
    while (i < AFormat.size()) {
        const char c = AFormat[i];
        if (c != '%') {
            out += c;
            ++i;
            continue;
        }
        if (i + 1 < AFormat.size() && AFormat[i + 1] == '%') {
            out += '%';
            i += 2;
            continue;
        }
        // "%" [flags and width] ["." precision] conversion letter
        size_t j = i + 1;
        while (j < AFormat.size() &&
               (AFormat[j] == '-' || std::isdigit(static_cast<unsigned char>(AFormat[j]))))
            ++j;
        int precision = -1;
        if (j < AFormat.size() && AFormat[j] == '.') {
            ++j;
            const size_t digits = j;
            while (j < AFormat.size() && std::isdigit(static_cast<unsigned char>(AFormat[j])))
                ++j;
            precision = 0;
            std::from_chars(AFormat.data() + digits, AFormat.data() + j, precision);
        }
        const bool known =
            j < AFormat.size() && std::string_view("sdufegxX").find(AFormat[j]) != std::string_view::npos;
        if (!known || next == AArgs.end()) {
            out.append(AFormat.substr(i, known ? j + 1 - i : j - i));
            i = known ? j + 1 : j;
            continue;
        }
        out += Render(*next++, AFormat[j], precision);
        i = j + 1;
    }
    return out;
}
