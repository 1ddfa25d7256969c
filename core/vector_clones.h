#pragma once
// Hot loops built once more for newer processors, the loader picking the
// widest the processor has. A ThreadSanitizer build has the plain versions
// only: the loader runs the pickers before the sanitizer is set up.

#ifdef TAMBLO_NO_VECTOR_CLONES
#define TAMBLO_VECTOR_CLONES
#else
#define TAMBLO_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#endif
