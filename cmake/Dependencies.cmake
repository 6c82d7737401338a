# PoDoFo and what it needs, as one imported target: Varnello::PoDoFo.
#
# Both builds use one PoDoFo: Debian's 0.9.8 source with our patches (tools/patches/libpodofo),
# built by tools/build-windows-deps.sh. For Windows the prefix holds static builds of all its
# libraries; natively PoDoFo is a static library over Debian's own libraries.
# VARNELLO_SYSTEM_PODOFO=ON takes Debian's binary libpodofo instead (natively only).

# The prefix's name changes with the recipe, the patches and the source versions, so it is asked
# for at every configure unless it is given (-DVARNELLO_DEPS_PREFIX or the environment).
function(varnello_deps_prefix arch out)
    set(_script ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../tools/build-windows-deps.sh)
    if(VARNELLO_DEPS_PREFIX)
        set(_prefix "${VARNELLO_DEPS_PREFIX}")
    elseif(DEFINED ENV{VARNELLO_DEPS_PREFIX})
        set(_prefix "$ENV{VARNELLO_DEPS_PREFIX}")
    else()
        execute_process(COMMAND ${_script} --print-prefix ${arch}
                        OUTPUT_VARIABLE _prefix OUTPUT_STRIP_TRAILING_WHITESPACE)
        file(GLOB _patches ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../tools/patches/*/*.patch)
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_script} ${_patches})
    endif()
    if(arch MATCHES "^native" AND NOT EXISTS "${_prefix}/.complete")
        # The native build is one library over Debian's packages, quick enough to make here.
        message(STATUS "Building PoDoFo for the native build (once; logs in ${_prefix}/logs)")
        execute_process(COMMAND ${_script} ${arch} OUTPUT_VARIABLE _built
                        OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE _failed)
        if(_failed)
            message(FATAL_ERROR "tools/build-windows-deps.sh ${arch} failed")
        endif()
    endif()
    message(STATUS "PoDoFo and its dependencies: ${_prefix}")
    if(NOT EXISTS "${_prefix}/.complete")
        message(FATAL_ERROR "No finished dependency build in '${_prefix}': "
                            "run tools/build-windows-deps.sh ${arch} first")
    endif()
    set(${out} "${_prefix}" PARENT_SCOPE)
endfunction()

set(VARNELLO_DEPS_PREFIX "" CACHE PATH "PoDoFo prefix (empty: ask tools/build-windows-deps.sh)")

if(NOT WIN32)
    option(VARNELLO_SYSTEM_PODOFO "Use Debian's binary libpodofo instead of the patched build" OFF)
    find_package(PkgConfig REQUIRED)
    add_library(Varnello::PoDoFo INTERFACE IMPORTED)
    if(VARNELLO_SYSTEM_PODOFO)
        pkg_check_modules(PODOFO REQUIRED IMPORTED_TARGET libpodofo)
        target_link_libraries(Varnello::PoDoFo INTERFACE PkgConfig::PODOFO)
        return()
    endif()
    # The sanitized build takes a sanitized PoDoFo, so that ASan sees what the library reads;
    # the fuzz build one that libFuzzer also sees the coverage of.
    if(VARNELLO_FUZZ)
        varnello_deps_prefix(native-fuzz _deps_prefix)
    elseif(VARNELLO_SANITIZE)
        varnello_deps_prefix(native-asan _deps_prefix)
    else()
        varnello_deps_prefix(native _deps_prefix)
    endif()
    pkg_check_modules(PODOFO_DEPS REQUIRED IMPORTED_TARGET freetype2 libcrypto libidn zlib)
    find_library(VARNELLO_UNISTRING_LIBRARY unistring REQUIRED)
    find_package(Threads REQUIRED)
    target_include_directories(Varnello::PoDoFo INTERFACE "${_deps_prefix}/include")
    target_link_libraries(Varnello::PoDoFo INTERFACE "${_deps_prefix}/lib/libpodofo.a"
                          PkgConfig::PODOFO_DEPS ${VARNELLO_UNISTRING_LIBRARY} Threads::Threads)
    return()
endif()

varnello_deps_prefix(${CMAKE_SYSTEM_PROCESSOR} _deps_prefix)

set(_deps_libs podofo freetype unistring idn crypto)
set(_deps_paths)
foreach(lib ${_deps_libs})
    set(_path "${_deps_prefix}/lib/lib${lib}.a")
    if(NOT EXISTS "${_path}")
        message(FATAL_ERROR "Missing ${_path}: run tools/build-windows-deps.sh ${CMAKE_SYSTEM_PROCESSOR} first")
    endif()
    list(APPEND _deps_paths "${_path}")
endforeach()

add_library(Varnello::PoDoFo INTERFACE IMPORTED)
target_include_directories(Varnello::PoDoFo INTERFACE "${_deps_prefix}/include")
target_compile_definitions(Varnello::PoDoFo INTERFACE PODOFO_STATIC)
# zlib is Debian's MinGW build (libz-mingw-w64-dev), found in the toolchain's own lib folder.
target_link_libraries(Varnello::PoDoFo INTERFACE ${_deps_paths} z ws2_32 crypt32 user32 advapi32 gdi32)
