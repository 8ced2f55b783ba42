#pragma once
// The project's own exception hierarchy. Logs and error boxes show "class name: message", so every
// class reports its own name; catch sites never need to know the concrete type to print it.
#include <cstdint>
#include <stdexcept>
#include <string>

class EBaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    virtual const char* ClassName() const noexcept { return "EBaseError"; }
    // "class name: message", the form the logs and the default error box show.
    std::string Describe() const { return std::string(ClassName()) + ": " + what(); }
};

// Registry failures: "Failed to get data for '%s'", "Failed to set data for '%s'",
// "Invalid data type for '%s'".
class ERegistryException : public EBaseError {
public:
    using EBaseError::EBaseError;
    const char* ClassName() const noexcept override { return "ERegistryException"; }
};

// A resource the program carries is missing: "Resource %s not found".
class EResNotFound : public EBaseError {
public:
    using EBaseError::EBaseError;
    const char* ClassName() const noexcept override { return "EResNotFound"; }
};

// A failed system call whose error code is the whole story (start-up checks).
class EOSError : public EBaseError {
public:
    EOSError(uint32_t code, const std::string& message) : EBaseError(message), code_(code) {}
    const char* ClassName() const noexcept override { return "EOSError"; }
    uint32_t ErrorCode() const noexcept { return code_; }

private:
    uint32_t code_;
};
