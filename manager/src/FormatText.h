#pragma once
// Fills the placeholders of a language-table text (%s, %d, %.3f, %%) with arguments in order. The
// templates come from language files anyone can edit, so a placeholder that does not fit its argument
// shows the argument as it is, and one without an argument stays as written: a wrong translation never
// reads memory it does not own.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

using TFormatArg = std::variant<std::string, int64_t, double>;

std::string FormatText(std::string_view AFormat, std::initializer_list<TFormatArg> AArgs);
