#include "CallCounter.h"

#include <dlfcn.h>
#include <pthread.h>
#include <semaphore.h>

#include <atomic>

// The C library's own allocator entry points, which our replacements forward to (operator new
// and delete, aligned or not, reach malloc, aligned_alloc and free).
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

void count(std::atomic<int64_t>& counter) noexcept {
    if (armed.load(std::memory_order_relaxed) != 0) {
        counter.fetch_add(1, std::memory_order_relaxed);
    }
}

// Every counted lock call: name, parameter list, argument list.
#define ORVANE_LOCK_CALLS(X)                                                                \
    X(pthread_mutex_lock, (pthread_mutex_t * m), (m))                                       \
    X(pthread_mutex_trylock, (pthread_mutex_t * m), (m))                                    \
    X(pthread_mutex_timedlock, (pthread_mutex_t * m, const timespec* t), (m, t))            \
    X(pthread_rwlock_rdlock, (pthread_rwlock_t * l), (l))                                   \
    X(pthread_rwlock_wrlock, (pthread_rwlock_t * l), (l))                                   \
    X(pthread_rwlock_tryrdlock, (pthread_rwlock_t * l), (l))                                \
    X(pthread_rwlock_trywrlock, (pthread_rwlock_t * l), (l))                                \
    X(pthread_spin_lock, (pthread_spinlock_t * l), (l))                                     \
    X(pthread_spin_trylock, (pthread_spinlock_t * l), (l))                                  \
    X(pthread_cond_wait, (pthread_cond_t * c, pthread_mutex_t * m), (c, m))                 \
    X(pthread_cond_timedwait, (pthread_cond_t * c, pthread_mutex_t * m, const timespec* t), \
      (c, m, t))                                                                            \
    X(sem_wait, (sem_t * s), (s))                                                           \
    X(sem_trywait, (sem_t * s), (s))                                                        \
    X(sem_timedwait, (sem_t * s, const timespec* t), (s, t))                                \
    X(pthread_once, (pthread_once_t * o, void (*init)()), (o, init))

// The next definition of each lock call after ours, looked up once before any counting starts
// (dlsym may itself allocate or lock, so it never runs inside a counted stretch).
struct LockCalls {
#define ORVANE_NEXT(name, parameters, arguments) \
    int(*name) parameters = reinterpret_cast<int(*) parameters>(dlsym(RTLD_NEXT, #name));
    ORVANE_LOCK_CALLS(ORVANE_NEXT)
#undef ORVANE_NEXT
};

const LockCalls& lockCalls() {
    static const LockCalls calls;
    return calls;
}

// Resolve the lock calls at start-up, before main.
[[maybe_unused]] const LockCalls& resolved = lockCalls();

}  // namespace

CallCounter::Scope::Scope() noexcept {
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

extern "C" {

void* malloc(size_t size) {
    count(allocations);
    return __libc_malloc(size);
}

void* calloc(size_t n, size_t size) {
    count(allocations);
    return __libc_calloc(n, size);
}

void* realloc(void* pointer, size_t size) {
    count(allocations);
    return __libc_realloc(pointer, size);
}

void* aligned_alloc(size_t alignment, size_t size) {
    count(allocations);
    return __libc_memalign(alignment, size);
}

void free(void* pointer) {
    if (pointer != nullptr) {
        count(releases);
    }
    __libc_free(pointer);
}

#define ORVANE_COUNTED(name, parameters, arguments) \
    int name parameters {                           \
        count(locks);                               \
        return lockCalls().name arguments;          \
    }
ORVANE_LOCK_CALLS(ORVANE_COUNTED)
#undef ORVANE_COUNTED

}  // extern "C"
