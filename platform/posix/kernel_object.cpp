#include "kernel_object.h"

#include <cerrno>
#include <mutex>
#include <unordered_set>

namespace posix {
namespace {

std::mutex& RegistryMutex() {
  static std::mutex mutex;
  return mutex;
}

std::unordered_set<KernelObject*>& Registry() {
  static auto* registry = new std::unordered_set<KernelObject*>;  // outlives exit-time threads
  return *registry;
}

}  // namespace

HANDLE Register(KernelObject* object) {
  std::lock_guard lock(RegistryMutex());
  Registry().insert(object);
  return object;
}

KernelObject* Lookup(HANDLE handle) {
  std::lock_guard lock(RegistryMutex());
  auto* object = static_cast<KernelObject*>(handle);
  if (Registry().count(object) == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return object;
}

KernelObject* Unregister(HANDLE handle) {
  std::lock_guard lock(RegistryMutex());
  auto* object = static_cast<KernelObject*>(handle);
  if (Registry().erase(object) == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return object;
}

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENXIO:
    case ENODEV:
      return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EWOULDBLOCK:
    case EBUSY:
      return ERROR_ACCESS_DENIED;
    case EBADF:
      return ERROR_INVALID_HANDLE;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case EIO:
    case EPIPE:
      return ERROR_DEVICE_NOT_CONNECTED;
    case ENOTTY:
      return ERROR_NOT_SUPPORTED;
    default:
      return ERROR_GEN_FAILURE;
  }
}

}  // namespace posix

using posix::KernelObject;

BOOL CloseHandle(HANDLE handle) {
  KernelObject* object = posix::Unregister(handle);
  if (object == nullptr) return FALSE;
  delete object;
  return TRUE;
}
