#pragma once

#include <cstdint>

// Counts the heap and lock operations a piece of code performs. The test program that links
// CallCounter.cpp replaces malloc, calloc, realloc, the aligned allocators, free, every form of
// operator new and delete, and the POSIX lock and wait calls (mutexes, read-write locks, spin
// locks, condition waits, semaphores, once-initialisation) with versions that count, then
// forward to the C library. Counting happens only while a Scope is alive, on any thread.
class CallCounter {
public:
    struct Counts {
        int64_t allocations = 0;  // malloc family and operator new
        int64_t releases = 0;     // free and operator delete (of non-null pointers)
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

    // What was counted so far (all scopes together).
    static Counts counts() noexcept;
    static void clear() noexcept;
};
