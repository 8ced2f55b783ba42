#pragma once
// The texts of the running program's own version resource, read when the component is made. Only the
// block "StringFileInfo\040904E4\" (US English, code page 1252) is asked, whatever the resource's
// translation table lists first: the version block of the program's .rc file is written that way. A
// program without that block (the Linux build's programs are no Windows executables) reads as empty.
#include "ui/Forms.h"

#include <array>
#include <string>

enum class TVersionType {
    vtCompanyName,
    vtFileDescription,
    vtFileVersion,
    vtInternalName,
    vtLegalCopyright,
    vtLegalTradeMark,
    vtOriginalFileName,
    vtProductName,
    vtProductVersion,
    vtComments,
};

class TrpVersionInfo : public ui::TComponent {
public:
    explicit TrpVersionInfo(ui::TComponent* AOwner, std::string AName = "rpVersionInfo");

    const std::string& CompanyName() const { return GetVersionInfo(TVersionType::vtCompanyName); }
    const std::string& FileDescription() const { return GetVersionInfo(TVersionType::vtFileDescription); }
    const std::string& FileVersion() const { return GetVersionInfo(TVersionType::vtFileVersion); }
    const std::string& InternalName() const { return GetVersionInfo(TVersionType::vtInternalName); }
    const std::string& LegalCopyright() const { return GetVersionInfo(TVersionType::vtLegalCopyright); }
    const std::string& LegalTradeMark() const { return GetVersionInfo(TVersionType::vtLegalTradeMark); }
    const std::string& OriginalFileName() const { return GetVersionInfo(TVersionType::vtOriginalFileName); }
    const std::string& ProductName() const { return GetVersionInfo(TVersionType::vtProductName); }
    const std::string& ProductVersion() const { return GetVersionInfo(TVersionType::vtProductVersion); }
    const std::string& Comments() const { return GetVersionInfo(TVersionType::vtComments); }

    const std::string& GetVersionInfo(TVersionType AType) const;

private:
    // Fills every entry from the program file; entries it lacks stay empty.
    void SetVersionInfo();

    std::array<std::string, 10> FVersionInfo;
};
