# SPDX-License-Identifier: GPL-3.0-or-later
# quorvel_desktop_exec(OUT PATH): PATH as the one argument of a desktop entry's Exec= key:
# quoted where the format reserves a character, `"`, `` ` ``, `$` and `\` escaped inside the quotes,
# then escaped once more as the entry's strings are, and `%` doubled.
function(quorvel_desktop_exec out path)
    set(exec "${path}")
    if(exec MATCHES "[ \t\"'\\\\$`]")
        string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" exec "${exec}")
        string(REPLACE "\\" "\\\\" exec "${exec}")
        set(exec "\"${exec}\"")
    endif()
    string(REPLACE "%" "%%" exec "${exec}")
    set(${out} "${exec}" PARENT_SCOPE)
endfunction()
