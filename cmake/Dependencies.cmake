# PoDoFo and what it needs, as one imported target: Varnello::PoDoFo.
#
# Natively it comes from Debian's libpodofo-dev (pkg-config). For Windows it comes from the static
# prefix that tools/build-windows-deps.sh builds (VARNELLO_DEPS_PREFIX, set by the presets from the
# environment or found by asking the script).

if(NOT WIN32)
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(PODOFO REQUIRED IMPORTED_TARGET libpodofo)
    add_library(Varnello::PoDoFo INTERFACE IMPORTED)
    target_link_libraries(Varnello::PoDoFo INTERFACE PkgConfig::PODOFO)
    return()
endif()

if(NOT VARNELLO_DEPS_PREFIX)
    if(DEFINED ENV{VARNELLO_DEPS_PREFIX})
        set(VARNELLO_DEPS_PREFIX "$ENV{VARNELLO_DEPS_PREFIX}")
    else()
        execute_process(
            COMMAND ${CMAKE_CURRENT_LIST_DIR}/../tools/build-windows-deps.sh --print-prefix ${CMAKE_SYSTEM_PROCESSOR}
            OUTPUT_VARIABLE VARNELLO_DEPS_PREFIX OUTPUT_STRIP_TRAILING_WHITESPACE)
    endif()
endif()
set(VARNELLO_DEPS_PREFIX "${VARNELLO_DEPS_PREFIX}" CACHE PATH "Static Windows dependency prefix")

set(_deps_libs podofo freetype unistring idn crypto)
set(_deps_paths)
foreach(lib ${_deps_libs})
    set(_path "${VARNELLO_DEPS_PREFIX}/lib/lib${lib}.a")
    if(NOT EXISTS "${_path}")
        message(FATAL_ERROR "Missing ${_path}: run tools/build-windows-deps.sh ${CMAKE_SYSTEM_PROCESSOR} first")
    endif()
    list(APPEND _deps_paths "${_path}")
endforeach()

add_library(Varnello::PoDoFo INTERFACE IMPORTED)
target_include_directories(Varnello::PoDoFo INTERFACE "${VARNELLO_DEPS_PREFIX}/include")
target_compile_definitions(Varnello::PoDoFo INTERFACE PODOFO_STATIC)
# zlib is Debian's MinGW build (libz-mingw-w64-dev), found in the toolchain's own lib folder.
target_link_libraries(Varnello::PoDoFo INTERFACE ${_deps_paths} z ws2_32 crypt32 user32 advapi32 gdi32)
