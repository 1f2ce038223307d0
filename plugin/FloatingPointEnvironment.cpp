#include "FloatingPointEnvironment.h"

#if defined(__GLIBC__) && (defined(__i386__) || defined(__x86_64__))
#include <fpu_control.h>
#define ORVANE_X87_GLIBC 1
#elif defined(_MSC_VER) && defined(_M_IX86)
#include <float.h>
#define ORVANE_X87_MSVC 1
#elif defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
// Platform hook (MinGW): the x87 control word itself, through fnstcw and fldcw.
#define ORVANE_X87_GNU 1
#endif

#if defined(__SSE__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 1)
#include <xmmintrin.h>
#define ORVANE_SSE 1
#endif

namespace {

// SSE control register: bit 15 flush-to-zero, bit 6 denormals-are-zero.
constexpr uint32_t kFlushToZero = 0x8000;
constexpr uint32_t kDenormalsAreZero = 0x0040;

}  // namespace

#if defined(ORVANE_X87_GLIBC) || defined(ORVANE_X87_MSVC) || defined(ORVANE_X87_GNU)
const bool FloatingPointEnvironment::controlWordSupported = true;
#else
const bool FloatingPointEnvironment::controlWordSupported = false;
#endif

#if defined(ORVANE_SSE)
const bool FloatingPointEnvironment::flushSupported = true;
#else
const bool FloatingPointEnvironment::flushSupported = false;
#endif

void FloatingPointEnvironment::setControlWord() noexcept {
#if defined(ORVANE_X87_GLIBC)
    fpu_control_t cw = 0;
    _FPU_GETCW(cw);
    cw &= static_cast<fpu_control_t>(~(_FPU_EXTENDED | _FPU_RC_ZERO));  // precision, rounding
    cw |= _FPU_MASK_IM | _FPU_MASK_DM | _FPU_MASK_ZM | _FPU_MASK_OM | _FPU_MASK_UM | _FPU_MASK_PM |
          _FPU_DOUBLE | _FPU_RC_NEAREST;
    _FPU_SETCW(cw);
#elif defined(ORVANE_X87_MSVC)
    unsigned int current = 0;
    _controlfp_s(&current, _MCW_EM | _PC_53 | _RC_NEAR, _MCW_EM | _MCW_PC | _MCW_RC);
#elif defined(ORVANE_X87_GNU)
    // Bits 0-5 exception masks (all set), 8-9 precision (10: 53 bits), 10-11 rounding (00:
    // nearest).
    uint16_t cw = 0;
    __asm__ volatile("fnstcw %0" : "=m"(cw));
    cw = static_cast<uint16_t>((cw & ~0x0F3Fu) | 0x023Fu);
    __asm__ volatile("fldcw %0" : : "m"(cw));
#endif
}

uint32_t FloatingPointEnvironment::controlWord() noexcept {
#if defined(ORVANE_X87_GLIBC)
    fpu_control_t cw = 0;
    _FPU_GETCW(cw);
    return static_cast<uint32_t>(cw);
#elif defined(ORVANE_X87_MSVC)
    unsigned int cw = 0;
    _controlfp_s(&cw, 0, 0);
    return cw;
#elif defined(ORVANE_X87_GNU)
    uint16_t cw = 0;
    __asm__ volatile("fnstcw %0" : "=m"(cw));
    return cw;
#else
    return 0;
#endif
}

bool FloatingPointEnvironment::flushesDenormals() noexcept {
#if defined(ORVANE_SSE)
    const uint32_t both = kFlushToZero | kDenormalsAreZero;
    return (_mm_getcsr() & both) == both;
#else
    return false;
#endif
}

FloatingPointEnvironment::DenormalGuard::DenormalGuard() noexcept {
#if defined(ORVANE_SSE)
    saved = _mm_getcsr();
    _mm_setcsr(saved | kFlushToZero | kDenormalsAreZero);
#endif
}

FloatingPointEnvironment::DenormalGuard::~DenormalGuard() {
#if defined(ORVANE_SSE)
    _mm_setcsr(saved);
#endif
}
