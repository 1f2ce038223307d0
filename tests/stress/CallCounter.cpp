#include "CallCounter.h"

#include <dlfcn.h>
#include <pthread.h>
#include <semaphore.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <new>

// The C library's own allocator entry points, which our replacements forward to.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* pointer);
}

namespace {

std::atomic<int> armed{0};
std::atomic<int64_t> allocations{0};
std::atomic<int64_t> releases{0};
std::atomic<int64_t> locks{0};

void countAllocation() noexcept {
    if (armed.load(std::memory_order_relaxed) != 0) {
        allocations.fetch_add(1, std::memory_order_relaxed);
    }
}

void countRelease(void* pointer) noexcept {
    if (pointer != nullptr && armed.load(std::memory_order_relaxed) != 0) {
        releases.fetch_add(1, std::memory_order_relaxed);
    }
}

void countLock() noexcept {
    if (armed.load(std::memory_order_relaxed) != 0) {
        locks.fetch_add(1, std::memory_order_relaxed);
    }
}

// The next definition of a lock call after ours, looked up once before any counting starts
// (dlsym may itself allocate or lock, so it never runs inside a counted stretch).
template <typename Function>
Function next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

struct LockCalls {
    int (*mutexLock)(pthread_mutex_t*) = next<decltype(mutexLock)>("pthread_mutex_lock");
    int (*mutexTryLock)(pthread_mutex_t*) = next<decltype(mutexTryLock)>("pthread_mutex_trylock");
    int (*mutexTimedLock)(pthread_mutex_t*, const timespec*) =
        next<decltype(mutexTimedLock)>("pthread_mutex_timedlock");
    int (*readLock)(pthread_rwlock_t*) = next<decltype(readLock)>("pthread_rwlock_rdlock");
    int (*writeLock)(pthread_rwlock_t*) = next<decltype(writeLock)>("pthread_rwlock_wrlock");
    int (*tryReadLock)(pthread_rwlock_t*) = next<decltype(tryReadLock)>("pthread_rwlock_tryrdlock");
    int (*tryWriteLock)(pthread_rwlock_t*) =
        next<decltype(tryWriteLock)>("pthread_rwlock_trywrlock");
    int (*spinLock)(pthread_spinlock_t*) = next<decltype(spinLock)>("pthread_spin_lock");
    int (*spinTryLock)(pthread_spinlock_t*) = next<decltype(spinTryLock)>("pthread_spin_trylock");
    int (*conditionWait)(pthread_cond_t*,
                         pthread_mutex_t*) = next<decltype(conditionWait)>("pthread_cond_wait");
    int (*conditionTimedWait)(pthread_cond_t*, pthread_mutex_t*, const timespec*) =
        next<decltype(conditionTimedWait)>("pthread_cond_timedwait");
    int (*semaphoreWait)(sem_t*) = next<decltype(semaphoreWait)>("sem_wait");
    int (*semaphoreTryWait)(sem_t*) = next<decltype(semaphoreTryWait)>("sem_trywait");
    int (*semaphoreTimedWait)(sem_t*, const timespec*) =
        next<decltype(semaphoreTimedWait)>("sem_timedwait");
    int (*once)(pthread_once_t*, void (*)()) = next<decltype(once)>("pthread_once");
};

const LockCalls& lockCalls() {
    static const LockCalls calls;
    return calls;
}

// Resolve the lock calls at start-up, before main.
[[maybe_unused]] const LockCalls& resolved = lockCalls();

}  // namespace

CallCounter::Scope::Scope() noexcept {
    lockCalls();
    armed.fetch_add(1, std::memory_order_seq_cst);
}

CallCounter::Scope::~Scope() {
    armed.fetch_sub(1, std::memory_order_seq_cst);
}

CallCounter::Counts CallCounter::counts() noexcept {
    return Counts{allocations.load(), releases.load(), locks.load()};
}

void CallCounter::clear() noexcept {
    allocations = 0;
    releases = 0;
    locks = 0;
}

// The malloc family.
extern "C" {

void* malloc(size_t size) {
    countAllocation();
    return __libc_malloc(size);
}

void* calloc(size_t count, size_t size) {
    countAllocation();
    return __libc_calloc(count, size);
}

void* realloc(void* pointer, size_t size) {
    countAllocation();
    return __libc_realloc(pointer, size);
}

void* memalign(size_t alignment, size_t size) {
    countAllocation();
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(size_t alignment, size_t size) {
    countAllocation();
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** result, size_t alignment, size_t size) {
    countAllocation();
    if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) {
        return EINVAL;
    }
    void* p = __libc_memalign(alignment, size);
    if (p == nullptr) {
        return ENOMEM;
    }
    *result = p;
    return 0;
}

void free(void* pointer) {
    countRelease(pointer);
    __libc_free(pointer);
}

// Locks and waits.
int pthread_mutex_lock(pthread_mutex_t* m) {
    countLock();
    return lockCalls().mutexLock(m);
}
int pthread_mutex_trylock(pthread_mutex_t* m) {
    countLock();
    return lockCalls().mutexTryLock(m);
}
int pthread_mutex_timedlock(pthread_mutex_t* m, const timespec* t) {
    countLock();
    return lockCalls().mutexTimedLock(m, t);
}
int pthread_rwlock_rdlock(pthread_rwlock_t* l) {
    countLock();
    return lockCalls().readLock(l);
}
int pthread_rwlock_wrlock(pthread_rwlock_t* l) {
    countLock();
    return lockCalls().writeLock(l);
}
int pthread_rwlock_tryrdlock(pthread_rwlock_t* l) {
    countLock();
    return lockCalls().tryReadLock(l);
}
int pthread_rwlock_trywrlock(pthread_rwlock_t* l) {
    countLock();
    return lockCalls().tryWriteLock(l);
}
int pthread_spin_lock(pthread_spinlock_t* l) {
    countLock();
    return lockCalls().spinLock(l);
}
int pthread_spin_trylock(pthread_spinlock_t* l) {
    countLock();
    return lockCalls().spinTryLock(l);
}
int pthread_cond_wait(pthread_cond_t* c, pthread_mutex_t* m) {
    countLock();
    return lockCalls().conditionWait(c, m);
}
int pthread_cond_timedwait(pthread_cond_t* c, pthread_mutex_t* m, const timespec* t) {
    countLock();
    return lockCalls().conditionTimedWait(c, m, t);
}
int sem_wait(sem_t* s) {
    countLock();
    return lockCalls().semaphoreWait(s);
}
int sem_trywait(sem_t* s) {
    countLock();
    return lockCalls().semaphoreTryWait(s);
}
int sem_timedwait(sem_t* s, const timespec* t) {
    countLock();
    return lockCalls().semaphoreTimedWait(s, t);
}
int pthread_once(pthread_once_t* control, void (*init)()) {
    countLock();
    return lockCalls().once(control, init);
}

}  // extern "C"

// Every form of operator new and delete: counted here and served by the C library directly,
// so one allocation is counted once.
namespace {

void* allocate(size_t size) {
    countAllocation();
    void* p = __libc_malloc(size != 0 ? size : 1);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    return p;
}

void* allocateAligned(size_t size, std::align_val_t alignment) {
    countAllocation();
    void* p = __libc_memalign(static_cast<size_t>(alignment), size != 0 ? size : 1);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    return p;
}

void release(void* p) noexcept {
    countRelease(p);
    __libc_free(p);
}

}  // namespace

void* operator new(size_t size) {
    return allocate(size);
}
void* operator new[](size_t size) {
    return allocate(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    countAllocation();
    return __libc_malloc(size != 0 ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    countAllocation();
    return __libc_malloc(size != 0 ? size : 1);
}
void* operator new(size_t size, std::align_val_t alignment) {
    return allocateAligned(size, alignment);
}
void* operator new[](size_t size, std::align_val_t alignment) {
    return allocateAligned(size, alignment);
}
void operator delete(void* p) noexcept {
    release(p);
}
void operator delete[](void* p) noexcept {
    release(p);
}
void operator delete(void* p, size_t) noexcept {
    release(p);
}
void operator delete[](void* p, size_t) noexcept {
    release(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    release(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    release(p);
}
void operator delete(void* p, size_t, std::align_val_t) noexcept {
    release(p);
}
void operator delete[](void* p, size_t, std::align_val_t) noexcept {
    release(p);
}
