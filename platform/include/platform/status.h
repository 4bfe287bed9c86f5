// Status codes: the Win32 error codes are the common currency of the
// platform layer, because the messages the programs print carry them.
#pragma once

#include <cstdint>

namespace platform
{

using Status = std::int32_t;

enum : Status
{
    kSuccess = 0,
    kErrorFileNotFound = 2,
    kErrorPathNotFound = 3,
    kErrorTooManyOpenFiles = 4,
    kErrorAccessDenied = 5,
    kErrorInvalidHandle = 6,
    kErrorNotEnoughMemory = 8,
    kErrorBadFormat = 11,
    kErrorInvalidData = 13,
    kErrorWriteProtect = 19,
    kErrorSharingViolation = 32,
    kErrorLockViolation = 33,
    kErrorHandleEof = 38,
    kErrorHandleDiskFull = 39,
    kErrorFileExists = 80,
    kErrorInvalidParameter = 87,
    kErrorDiskFull = 112,
    kErrorInsufficientBuffer = 122,
    kErrorInvalidName = 123,
    kErrorNegativeSeek = 131,
    kErrorDirNotEmpty = 145,
    kErrorBadExeFormat = 193,
    kErrorAlreadyExists = 183,
    kErrorFilenameExcedRange = 206,
    kErrorMoreData = 234,
    kErrorNoMoreItems = 259,
    kErrorArithmeticOverflow = 534,
    kErrorFileChanged = 1006, // ERROR_FILE_INVALID: the file changed under us
    kErrorRegistryCorrupt = 1009,
    kErrorNoUnicodeTranslation = 1113,
    kErrorIoDevice = 1117,
    kErrorNoAssociation = 1155,
    kErrorDdeFail = 1156,
    kErrorDllNotFound = 1157,
    kErrorCancelled = 1223,
};

} // namespace platform
