# Options every target of the project links to: the language level, warnings, and the
# sanitizer and fuzzing switches chosen at configure time.

option(TESSELVANE_WERROR "Treat compiler warnings as errors" OFF)
set(TESSELVANE_SANITIZE "" CACHE STRING "Sanitizers to build with, e.g. address;undefined")
option(TESSELVANE_FUZZ "Build the fuzz targets with libFuzzer (needs clang)" OFF)

option(TESSELVANE_ASSERTIONS "Check the C++ library's preconditions at run time (bounds, ...)" OFF)

add_library(tesselvane_options INTERFACE)
target_compile_features(tesselvane_options INTERFACE cxx_std_20)
# Beyond the usual: a name that hides another, a cast that drops const, a class with virtual
# functions deleted through a base without a virtual destructor.
target_compile_options(tesselvane_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wcast-qual
    $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor>)
if(TESSELVANE_WERROR)
    target_compile_options(tesselvane_options INTERFACE -Werror)
endif()
# Hardening as distributions build programs: a canary in every function with a buffer on the
# stack, and the C library's checked copies where the optimiser knows the sizes (not with the
# sanitizers, whose own checks those copies would bypass; not without optimising, where glibc
# refuses it).
target_compile_options(tesselvane_options INTERFACE -fstack-protector-strong)
if(NOT TESSELVANE_SANITIZE)
    target_compile_options(tesselvane_options INTERFACE
        $<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2>)
endif()
if(TESSELVANE_ASSERTIONS)
    target_compile_definitions(tesselvane_options INTERFACE _GLIBCXX_ASSERTIONS)
endif()

if(TESSELVANE_SANITIZE)
    list(JOIN TESSELVANE_SANITIZE "," _sanitizers)
    target_compile_options(tesselvane_options INTERFACE
        -fsanitize=${_sanitizers} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_link_options(tesselvane_options INTERFACE -fsanitize=${_sanitizers})
endif()

if(TESSELVANE_FUZZ)
    # Coverage instrumentation for everything the fuzz targets reach, not only their own file.
    target_compile_options(tesselvane_options INTERFACE -fsanitize=fuzzer-no-link)
endif()

# Every runtime artefact lands in one folder, so the build tree is laid out like the
# program folder of an installed copy.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)

# tesselvane_layer(TARGET)
# Makes the headers of the folder TARGET is built from reachable as "<folder>/Header.h", through
# an include root that holds that folder alone: a target sees the headers of exactly the layers
# it links, so an include that points the wrong way fails to build.
function(tesselvane_layer target)
    file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    set(root ${PROJECT_BINARY_DIR}/include-roots/${target})
    get_filename_component(parent ${root}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)
    target_include_directories(${target} PUBLIC ${root})
endfunction()
