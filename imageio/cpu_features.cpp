#include "imageio/cpu_features.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#define MOVRA_HAS_CPUID 1
#else
#define MOVRA_HAS_CPUID 0
#endif

void CrossPlatformCPUID(int regs[4], int leaf) { CrossPlatformCPUIDex(regs, leaf, 0); }

void CrossPlatformCPUIDex(int regs[4], int leaf, int subleaf) {
#if MOVRA_HAS_CPUID
    unsigned int a = 0, b = 0, c = 0, d = 0;
    // __get_cpuid_count checks the highest supported leaf first and returns 0 beyond it.
    if (__get_cpuid_count(static_cast<unsigned int>(leaf), static_cast<unsigned int>(subleaf), &a,
                          &b, &c, &d) == 0) {
        a = b = c = d = 0;
    }
    regs[0] = static_cast<int>(a);
    regs[1] = static_cast<int>(b);
    regs[2] = static_cast<int>(c);
    regs[3] = static_cast<int>(d);
#else
    (void)leaf;
    (void)subleaf;
    regs[0] = regs[1] = regs[2] = regs[3] = 0;
#endif
}

// __builtin_cpu_supports also accounts for the operating system enabling the wider registers
// (XSAVE state), which a bare CPUID bit does not.
bool isSSE4Supported() {
#if MOVRA_HAS_CPUID
    return __builtin_cpu_supports("sse4.1");
#else
    return true;
#endif
}

bool isAVX2Supported() {
#if MOVRA_HAS_CPUID
    return __builtin_cpu_supports("avx2");
#else
    return true;
#endif
}

bool isAVX512Supported() {
#if MOVRA_HAS_CPUID
    return __builtin_cpu_supports("avx512f");
#else
    return false;
#endif
}
