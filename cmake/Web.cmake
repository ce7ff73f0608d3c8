# The browser build's libraries: static WebAssembly builds of Debian's sources
# made by scripts/web-deps.sh, imported under the target names the native
# build's pkg-config lookups give, so the folders' CMakeLists stay the same.
set(QO_WASM_PREFIX "" CACHE PATH "Prefix of the WebAssembly libraries (default: scripts/web-deps.sh --key)")
if(NOT QO_WASM_PREFIX)
  execute_process(COMMAND ${PROJECT_SOURCE_DIR}/scripts/web-deps.sh --key
                  OUTPUT_VARIABLE QO_WASM_PREFIX OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
endif()
foreach(lib SDL2 z png16 jpeg freetype mpg123 openmpt)
  if(NOT EXISTS ${QO_WASM_PREFIX}/lib/lib${lib}.a)
    message(FATAL_ERROR "lib${lib}.a is not in ${QO_WASM_PREFIX}/lib: run scripts/web-deps.sh (./setup.sh web does)")
  endif()
endforeach()

# WebAssembly's 128-bit vectors (every current browser has them): the plain
# kernels vectorise as they do natively with SSE2, and give the same pixels.
add_compile_options(-msimd128)
add_link_options(-msimd128)
# With SSE2's intrinsics, which emscripten maps onto those vectors, the
# hand-written SSE2 row kernels run in the page as they do natively (the
# saturating and multiplying 16-bit lane operations have direct WebAssembly
# counterparts): two-byte pixels blend eight at a time instead of one.
add_compile_options(-msse2)
# Bulk memory: copies and fills become memory.copy / memory.fill instructions
# instead of a call out to JavaScript for every block of 512 bytes or more
# (each row a copy moves). Every current browser has them.
add_compile_options(-mbulk-memory)
add_link_options(-mbulk-memory)
# Link-time optimisation: calls across files (the scenes into the buffer's
# operations, the 3D code into the rasteriser) inline as they do within one.
# Measured in the browser tests' table: 16-bit intro 0.98 -> 0.88 ms a frame,
# circles 0.74 -> 0.62, metaballs 0.64 -> 0.51; every frame hash unchanged.
add_compile_options(-flto)
add_link_options(-flto)

function(qo_wasm_library target)
  cmake_parse_arguments(ARG "" "" "INCLUDE;LIBS" ${ARGN})
  add_library(${target} INTERFACE IMPORTED GLOBAL)
  list(TRANSFORM ARG_LIBS PREPEND ${QO_WASM_PREFIX}/lib/lib)
  list(TRANSFORM ARG_LIBS APPEND .a)
  set_target_properties(${target} PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${QO_WASM_PREFIX}/include;${ARG_INCLUDE}"
    INTERFACE_LINK_LIBRARIES "${ARG_LIBS}")
endfunction()

qo_wasm_library(PkgConfig::SDL2 INCLUDE ${QO_WASM_PREFIX}/include/SDL2 LIBS SDL2)
qo_wasm_library(PkgConfig::FREETYPE INCLUDE ${QO_WASM_PREFIX}/include/freetype2 LIBS freetype z)
qo_wasm_library(PkgConfig::MPG123 LIBS mpg123)
qo_wasm_library(PkgConfig::OPENMPT LIBS openmpt)
qo_wasm_library(PkgConfig::PNG LIBS png16 z)
qo_wasm_library(JPEG::JPEG LIBS jpeg)
# No threads in the browser build: the program uses none, and the mutexes the
# audio code takes are no-ops without them.
add_library(Threads::Threads INTERFACE IMPORTED GLOBAL)
