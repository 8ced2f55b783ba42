#include "platform/win32/WinApi.h"

#include "text/TextCodec.h"

namespace plat::win {

std::wstring Wide(std::string_view utf8) {
    return text::ToWide(utf8);
}

std::string Narrow(std::wstring_view wide) {
    return text::FromWide(wide);
}

bool Fail() {
    plat::SetLastError(GetLastError());
    return false;
}

} // namespace plat::win
