#pragma once

#include <cstdint>

// Counts the heap and lock operations a piece of code performs. The test program that links
// CallCounter.cpp replaces malloc, calloc, realloc, aligned_alloc and free (which operator new
// and delete call) and the POSIX lock and wait calls (mutexes, read-write locks, spin locks,
// condition waits, semaphores, once-initialisation) with versions that count, then forward to
// the C library. Counting happens only while a Scope is alive, on any thread.
class CallCounter {
public:
    struct Counts {
        int64_t allocations = 0;  // the malloc family, and so operator new
        int64_t releases = 0;     // free (of non-null pointers), and so operator delete
        int64_t locks = 0;        // lock, wait and once calls
    };

    // Counts from construction to destruction.
    class Scope {
    public:
        Scope() noexcept;
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
    };

    // What was counted since the last clear (all scopes together).
    static Counts counts() noexcept;
    static void clear() noexcept;
};
