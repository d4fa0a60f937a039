#include "platform/SysErrors.h"

#include <cerrno>
#include <cstring>

namespace {
thread_local int tLastError = ERROR_SUCCESS;

// The texts for the numbers this layer produces, worded as the original system words them.
struct TErrorText {
  int Code;
  const char* Text;
};
constexpr TErrorText kErrorTexts[] = {
    {ERROR_SUCCESS, "The operation completed successfully.\r\n"},
    {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified.\r\n"},
    {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified.\r\n"},
    {ERROR_ACCESS_DENIED, "Access is denied.\r\n"},
    {ERROR_INVALID_HANDLE, "The handle is invalid.\r\n"},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough memory resources are available to process this command.\r\n"},
    {ERROR_GEN_FAILURE, "A device attached to the system is not functioning.\r\n"},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect.\r\n"},
    {ERROR_IO_PENDING, "Overlapped I/O operation is in progress.\r\n"},
    {ERROR_GRACEFUL_DISCONNECT, "The network connection was gracefully closed.\r\n"},
};

// errno values are small positive numbers; anything above is not one.
constexpr int kMaxErrno = 4095;
}  // namespace

int SystemErrorFromErrno(int err) {
  switch (err) {
    case 0:
      return ERROR_SUCCESS;
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EBUSY:
    case EWOULDBLOCK:  // flock(LOCK_NB) on a file another process holds
      return ERROR_ACCESS_DENIED;
    case EBADF:
      return ERROR_INVALID_HANDLE;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case EIO:
      return ERROR_GEN_FAILURE;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    default:
      return err > 0 && err <= kMaxErrno ? kErrnoBase + err : ERROR_INVALID_PARAMETER;
  }
}

bool IsPermissionDenied(int code) { return code == kErrnoBase + EACCES || code == kErrnoBase + EPERM; }

int GetLastError() { return tLastError; }

void SetLastError(int code) { tLastError = code; }

std::string SystemErrorText(int code) {
  for (const TErrorText& entry : kErrorTexts) {
    if (entry.Code == code) return entry.Text;
  }
  if (code > kErrnoBase && code <= kErrnoBase + kMaxErrno) {
    // strerrordesc_np is thread-safe and gives no text for numbers glibc does not know.
    const char* text = strerrordesc_np(code - kErrnoBase);
    if (text != nullptr) return std::string(text) + "\r\n";
  }
  return {};
}
