# PoDoFo and what it needs, as one imported target: Varnello::PoDoFo.
#
# Natively it comes from Debian's libpodofo-dev (pkg-config). For Windows it comes from the static
# prefix that tools/build-windows-deps.sh builds.

if(NOT WIN32)
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(PODOFO REQUIRED IMPORTED_TARGET libpodofo)
    add_library(Varnello::PoDoFo INTERFACE IMPORTED)
    target_link_libraries(Varnello::PoDoFo INTERFACE PkgConfig::PODOFO)
    return()
endif()

# The prefix's name changes with the recipe, the patches and the source versions, so it is asked
# for at every configure unless it is given (-DVARNELLO_DEPS_PREFIX or the environment).
set(VARNELLO_DEPS_PREFIX "" CACHE PATH "Static Windows dependency prefix (empty: ask the build script)")
set(_deps_script ${CMAKE_CURRENT_LIST_DIR}/../tools/build-windows-deps.sh)
if(VARNELLO_DEPS_PREFIX)
    set(_deps_prefix "${VARNELLO_DEPS_PREFIX}")
elseif(DEFINED ENV{VARNELLO_DEPS_PREFIX})
    set(_deps_prefix "$ENV{VARNELLO_DEPS_PREFIX}")
else()
    execute_process(
        COMMAND ${_deps_script} --print-prefix ${CMAKE_SYSTEM_PROCESSOR}
        OUTPUT_VARIABLE _deps_prefix OUTPUT_STRIP_TRAILING_WHITESPACE)
    file(GLOB _deps_patches ${CMAKE_CURRENT_LIST_DIR}/../tools/patches/*/*.patch)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_deps_script} ${_deps_patches})
endif()
message(STATUS "Windows dependencies: ${_deps_prefix}")

if(NOT EXISTS "${_deps_prefix}/.complete")
    message(FATAL_ERROR "No finished dependency build in '${_deps_prefix}': "
                        "run tools/build-windows-deps.sh ${CMAKE_SYSTEM_PROCESSOR} first")
endif()

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
