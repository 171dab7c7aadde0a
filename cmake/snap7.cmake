# snap7 is built from the sources the bootstrap script unpacks from the pinned npm package.
set(SNAP7_ROOT ${PROJECT_SOURCE_DIR}/third_party/node-snap7/package CACHE PATH "Unpacked node-snap7 package")
if(NOT EXISTS ${SNAP7_ROOT}/src/snap7.h)
  message(FATAL_ERROR "snap7 sources not found in ${SNAP7_ROOT}; run scripts/bootstrap.sh first")
endif()

file(GLOB SNAP7_SOURCES
  ${SNAP7_ROOT}/deps/snap7/src/core/*.cpp
  ${SNAP7_ROOT}/deps/snap7/src/sys/*.cpp
  ${SNAP7_ROOT}/deps/snap7/src/lib/*.cpp)
add_library(snap7 STATIC ${SNAP7_SOURCES})
target_include_directories(snap7
  PRIVATE ${SNAP7_ROOT}/deps/snap7/src/core ${SNAP7_ROOT}/deps/snap7/src/sys ${SNAP7_ROOT}/deps/snap7/src/lib)
# Consumers see only the public C header, as a system header: its code is not ours.
target_include_directories(snap7 SYSTEM PUBLIC ${SNAP7_ROOT}/src)
target_compile_options(snap7 PRIVATE -w)
target_link_libraries(snap7 PUBLIC Threads::Threads)
