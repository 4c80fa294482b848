// Whether the vector paths are built: SSE2 where the processor has it, unless
// the build asks for the plain paths alone (SPSS2VORNEX_NO_SIMD, a CMake
// option), which then carry every reading and writing.
#pragma once

#if defined(__SSE2__) && !defined(SPSS2VORNEX_NO_SIMD)
#define S2V_SIMD 1
#endif
