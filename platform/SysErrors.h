// System error numbers and texts.
//
// Errors of the platform are reported with the numbering of the original platform, because
// callers test and map particular numbers (2 not found, 5 access denied, ...).  errno values
// are translated here and nowhere else.
#pragma once

#include <cstdint>
#include <string>

enum TSystemError : int {
  ERROR_SUCCESS = 0,
  ERROR_FILE_NOT_FOUND = 2,      // ENOENT, ENODEV, ENXIO
  ERROR_PATH_NOT_FOUND = 3,      // ENOTDIR
  ERROR_ACCESS_DENIED = 5,       // EBUSY, a lock held by another process: the device is in use
  ERROR_INVALID_HANDLE = 6,      // EBADF
  ERROR_NOT_ENOUGH_MEMORY = 8,   // ENOMEM
  ERROR_GEN_FAILURE = 31,        // EIO
  ERROR_INVALID_PARAMETER = 87,  // EINVAL
  ERROR_IO_PENDING = 997,
  ERROR_GRACEFUL_DISCONNECT = 1226,  // the far end of a network connection closed it
  // Any other errno e is reported as kErrnoBase + e, so it stays distinct and in 16 bits.
  // EACCES and EPERM are among them: a device the user may not open is not one in use.
  kErrnoBase = 30000,
};

// Maps an errno value to a system error number (see TSystemError).  EWOULDBLOCK is what
// flock(LOCK_NB) reports for a file held elsewhere, hence access denied; as it equals
// EAGAIN, callers that meet EAGAIN on a non-blocking read or write handle it themselves.
// 0 gives ERROR_SUCCESS; a value that is no errno (negative, above 4095) gives 87.
int SystemErrorFromErrno(int err);

// Whether a system error number says the user lacks the rights (EACCES, EPERM).
bool IsPermissionDenied(int code);

// The calling thread's last error, as the device layer leaves it for its callers.
int GetLastError();
void SetLastError(int code);

// The system's text for an error number, ending in "\r\n" as system message texts do, or
// an empty text when the number is unknown.  Numbers built from errno give strerror's text.
std::string SystemErrorText(int code);
