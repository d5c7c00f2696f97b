# SPDX-License-Identifier: GPL-3.0-or-later
# One interface target carries the language level, the warnings and Qt's strictness flags.
add_library(quorvel_common INTERFACE)
target_compile_features(quorvel_common INTERFACE cxx_std_20)
target_compile_options(quorvel_common INTERFACE -Wall -Wextra -pedantic)
if(QUORVEL_WERROR)
    target_compile_options(quorvel_common INTERFACE -Werror)
endif()
target_compile_definitions(quorvel_common INTERFACE
    QT_NO_CAST_TO_ASCII
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_FOREACH
    QT_DISABLE_DEPRECATED_BEFORE=0x060000)
set(CMAKE_CXX_EXTENSIONS OFF)

# Hardened as Debian builds its packages (what dpkg-buildflags gives): checked buffers, a strong
# stack protector, read-only relocations bound at start, and position-independent programs. A
# Debug build keeps -O0, which fortification needs optimisation for.
if(NOT WIN32)
    set(CMAKE_POSITION_INDEPENDENT_CODE ON)
    include(CheckPIESupported)
    check_pie_supported()
    target_compile_options(quorvel_common INTERFACE
        $<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2>
        -fstack-protector-strong -fstack-clash-protection -Wformat -Werror=format-security)
    target_link_options(quorvel_common INTERFACE -Wl,-z,relro -Wl,-z,now)
endif()
