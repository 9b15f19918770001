#include <pthread.h>

#include <new>

#include "winapi.h"

static_assert(sizeof(pthread_mutex_t) <= sizeof(CRITICAL_SECTION::storage));

namespace {
pthread_mutex_t* MutexOf(LPCRITICAL_SECTION cs) {
  return std::launder(reinterpret_cast<pthread_mutex_t*>(cs->storage));
}
}  // namespace

void InitializeCriticalSection(LPCRITICAL_SECTION cs) {
  pthread_mutexattr_t attributes;
  pthread_mutexattr_init(&attributes);
  pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(new (cs->storage) pthread_mutex_t, &attributes);
  pthread_mutexattr_destroy(&attributes);
}

void DeleteCriticalSection(LPCRITICAL_SECTION cs) { pthread_mutex_destroy(MutexOf(cs)); }
void EnterCriticalSection(LPCRITICAL_SECTION cs) { pthread_mutex_lock(MutexOf(cs)); }
void LeaveCriticalSection(LPCRITICAL_SECTION cs) { pthread_mutex_unlock(MutexOf(cs)); }
