#pragma once
// The error of a step that found the upgrade cannot safely go on: the database was not saved, or the
// previous version cannot be uninstalled as it should be. It ends the worker before anything later runs.
#include "Errors.h"

class EUpgradeError : public EBaseError {
public:
    using EBaseError::EBaseError;
    const char* ClassName() const noexcept override { return "EUpgradeError"; }
};
