#pragma once
#include "Errors.h"

// Every failure of the archive writer: a source that cannot be opened or read, an archive that cannot
// be created, read or written. The archive on disk stays valid when one of these is raised.
class EZipError : public EBaseError {
public:
    using EBaseError::EBaseError;
    const char* ClassName() const noexcept override { return "EZipError"; }
};
