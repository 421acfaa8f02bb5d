// CPU feature queries used to pick a SIMD level. On x86-64 the CPU itself is asked; elsewhere the
// answers are fixed (SSE4 and AVX2 yes, AVX-512 no) and the CPUID functions give zeros.
#pragma once

// Fills regs with EAX, EBX, ECX, EDX of CPUID `leaf` (sub-leaf 0); zeros without CPUID.
void CrossPlatformCPUID(int regs[4], int leaf);
void CrossPlatformCPUIDex(int regs[4], int leaf, int subleaf);

[[nodiscard]] bool isSSE4Supported();
[[nodiscard]] bool isAVX2Supported();
[[nodiscard]] bool isAVX512Supported();
