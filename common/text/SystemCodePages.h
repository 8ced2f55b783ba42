#pragma once
// The operating system's converters for the code pages that text/ does not convert itself.
#include <cstdint>
#include <string>
#include <string_view>

namespace text::detail {

uint32_t SystemAnsiCodePage();
uint32_t SystemOemCodePage();
// Both return false, with out empty, for a code page the system cannot convert.
bool SystemDecode(uint32_t codePage, std::string_view bytes, std::string& out);
bool SystemEncode(uint32_t codePage, std::string_view validUtf8, std::string& out);

} // namespace text::detail
