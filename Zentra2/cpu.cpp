#include "Zentra2/cpu.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

bool DetectMMX() {
#if defined(__x86_64__) || defined(__i386__)
  // CPUID leaf 1: EDX bit 23 is MMX, bit 26 SSE2 (what our kernels really use).
  unsigned eax, ebx, ecx, edx;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  return (edx & (1u << 23)) && (edx & (1u << 26));
#elif defined(__wasm_simd128__) && defined(__SSE2__)
  // WebAssembly with 128-bit vectors, the build's SSE2 intrinsics mapped onto them.
  return true;
#else
  return false;
#endif
}

bool UseMMX = DetectMMX();
