#include "platform/posix/Backends.h"

#include <cerrno>
#include <map>

namespace plat::posix {

uint32_t Win32ErrorFromErrno(int err) {
    switch (err) {
    case 0:
        return 0;
    case ENOENT:
        return ERROR_FILE_NOT_FOUND_;
    case ENOTDIR:
        return 3; // ERROR_PATH_NOT_FOUND
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
        return ERROR_ACCESS_DENIED_;
    case EBADF:
        return ERROR_INVALID_HANDLE_;
    case EEXIST:
        return 183; // ERROR_ALREADY_EXISTS
    case ENOTEMPTY:
        return 145;
    case EXDEV:
        return 17; // ERROR_NOT_SAME_DEVICE
    case ENOSPC:
        return 112;
    case EBUSY:
    case ETXTBSY:
        return 32; // ERROR_SHARING_VIOLATION
    case ENAMETOOLONG:
        return 206;
    case EINVAL:
        return ERROR_INVALID_PARAMETER_;
    case ENOEXEC:
        return 193; // ERROR_BAD_EXE_FORMAT
    case ESRCH:
        return ERROR_INVALID_PARAMETER_;
    case EPIPE:
        return 109; // ERROR_BROKEN_PIPE
    case ENOMEM:
        return 8;
    default:
        return 31; // ERROR_GEN_FAILURE
    }
}

bool FailWithErrno() {
    SetLastError(Win32ErrorFromErrno(errno));
    return false;
}

std::string Win32ErrorText(uint32_t code) {
    static const std::map<uint32_t, const char*> texts = {
        {0, "The operation completed successfully."},
        {2, "The system cannot find the file specified."},
        {3, "The system cannot find the path specified."},
        {5, "Access is denied."},
        {6, "The handle is invalid."},
        {8, "Not enough memory resources are available to process this command."},
        {11, "An attempt was made to load a program with an incorrect format."},
        {17, "The system cannot move the file to a different disk drive."},
        {31, "A device attached to the system is not functioning."},
        {32, "The process cannot access the file because it is being used by another process."},
        {50, "The request is not supported."},
        {80, "The file exists."},
        {87, "The parameter is incorrect."},
        {109, "The pipe has been ended."},
        {112, "There is not enough space on the disk."},
        {122, "The data area passed to a system call is too small."},
        {123, "The filename, directory name, or volume label syntax is incorrect."},
        {145, "The directory is not empty."},
        {183, "Cannot create a file when that file already exists."},
        {193, "%1 is not a valid Win32 application."},
        {206, "The filename or extension is too long."},
        {234, "More data is available."},
        {258, "The wait operation timed out."},
        {267, "The directory name is invalid."},
        {1018, "Illegal operation attempted on a registry key that has been marked for deletion."},
        {1052, "The requested control is not valid for this service."},
        {1053, "The service did not respond to the start or control request in a timely fashion."},
        {1055, "The service database is locked."},
        {1056, "An instance of the service is already running."},
        {1058, "The service cannot be started, either because it is disabled or because it has no enabled "
               "devices associated with it."},
        {1060, "The specified service does not exist as an installed service."},
        {1061, "The service cannot accept control messages at this time."},
        {1062, "The service has not been started."},
        {1071, "The specified service database lock is invalid."},
        {1072, "The specified service has been marked for deletion."},
        {1073, "The specified service already exists."},
        {1223, "The operation was canceled by the user."},
        {1300, "Not all privileges or groups referenced are assigned to the caller."},
        {1722, "The RPC server is unavailable."},
        {1812, "The specified image file did not contain a resource section."},
        {1813, "The specified resource type cannot be found in the image file."},
    };
    const auto it = texts.find(code);
    return it == texts.end() ? "" : it->second;
}

std::string NativePath(const std::string& windowsPath) {
    std::string path = windowsPath;
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

} // namespace plat::posix
