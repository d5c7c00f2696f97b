# SPDX-License-Identifier: GPL-3.0-or-later
# Run at install time: the desktop entry names the program in the prefix it is installed to
# (`cmake --install --prefix`, or /usr in the Debian package).
include("${QUORVEL_DESKTOP_EXEC_MODULE}")
quorvel_desktop_exec(exec "${CMAKE_INSTALL_PREFIX}/${QUORVEL_BINDIR}/quorvel")
file(READ "${QUORVEL_DESKTOP_TEMPLATE}" entry)
string(REPLACE "@QUORVEL_INSTALLED_EXEC@" "${exec}" entry "${entry}")
file(WRITE "${QUORVEL_DESKTOP_OUTPUT}" "${entry}")
file(INSTALL "${QUORVEL_DESKTOP_OUTPUT}" DESTINATION "${CMAKE_INSTALL_PREFIX}/${QUORVEL_DATADIR}/applications")
