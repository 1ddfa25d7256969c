# TAMBLO_SANITIZE: a sanitizer build of everything, e.g. "address,undefined"
# (`make test-asan`) or "thread" (`make test-tsan`, with clang). A report ends
# the program, so a test that meets one fails.
set(TAMBLO_SANITIZE "" CACHE STRING "sanitizers to build with (-fsanitize=...)")
# TAMBLO_FUZZ: everything instrumented for libFuzzer (clang), and the fuzz/ targets.
option(TAMBLO_FUZZ "build the libFuzzer targets (clang)" OFF)
if(TAMBLO_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
if(TAMBLO_SANITIZE)
  add_compile_options(-fsanitize=${TAMBLO_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${TAMBLO_SANITIZE})
  if(TAMBLO_SANITIZE MATCHES "thread")
    add_compile_definitions(TAMBLO_NO_VECTOR_CLONES)
  endif()
endif()

# Called once every target exists.
function(tamblo_sanitizer_exceptions)
  if(TAMBLO_SANITIZE MATCHES "undefined")
    # The vptr check makes sure a vtable is readable through a pipe; a server
    # out of descriptors (one test makes it so) has none, and the check then
    # reports sound objects in the accept handler's error path. The program's
    # own objects too: the linker may take its copy of an inline function
    # (a shared pointer's release) from any of them.
    target_compile_options(tamblo_server_core PRIVATE -fno-sanitize=vptr)
    target_compile_options(tamblo-server PRIVATE -fno-sanitize=vptr)
  endif()
endfunction()
