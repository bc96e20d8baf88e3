# SPDX-License-Identifier: GPL-3.0-or-later
# The distribution's hardening for every optimised build, not only the package's: stack
# protector, fortified libc calls, full RELRO with immediate binding, control-flow protection
# and position-independent executables. Sanitizer and fuzz builds bring their own runtime
# checks, which the fortified calls would only get in the way of.
include(CheckCXXCompilerFlag)
include(CheckPIESupported)

string(TOLOWER "${CMAKE_BUILD_TYPE}" _build_type)
if(_build_type STREQUAL "debug" OR _build_type STREQUAL "sanitize" OR CMAKE_CXX_FLAGS MATCHES "-fsanitize")
  return()
endif()

check_pie_supported()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
add_compile_options(-fstack-protector-strong)
# The distribution's own flags may already choose a fortify level; a second one would clash.
if(NOT CMAKE_CXX_FLAGS MATCHES "_FORTIFY_SOURCE")
  add_compile_definitions(_FORTIFY_SOURCE=2)
endif()
# Control-flow protection marks our objects; the executables carry the mark only once the C
# library's start files do too (not yet on Debian 12).
check_cxx_compiler_flag(-fcf-protection KESTRAMO_HAS_CF_PROTECTION)
if(KESTRAMO_HAS_CF_PROTECTION)
  add_compile_options(-fcf-protection)
endif()
add_link_options(LINKER:-z,relro LINKER:-z,now)
