// Processor capabilities the pixel kernels choose by.
#pragma once

// True when the vector kernels run: set at start-up from the processor
// (x86-64 always has SSE2, which stands in for the packed-byte instructions
// the kernels were designed around; the web build maps the same intrinsics
// onto WebAssembly's vectors), cleared by "-nommx". False elsewhere.
extern bool UseMMX;

// What the processor offers; UseMMX starts as this.
bool DetectMMX();
