# SPDX-License-Identifier: GPL-3.0-or-later
cmake_minimum_required(VERSION 3.22)
# Copies into an application folder what its Windows programs load besides the system's own
# DLLs: the Qt libraries and plugins, and the compiler's runtime. Run with cmake -P:
#   APP_DIR     the folder holding the .exe files
#   SEARCH_DIRS where DLLs may be found, separated by |
#   QT_PLUGINS  Qt's plugins folder
#   OBJDUMP     the cross objdump, which reads PE import tables
string(REPLACE "|" ";" SEARCH_DIRS "${SEARCH_DIRS}")
set(plugins platforms/qwindows.dll platforms/qoffscreen.dll styles/qwindowsvistastyle.dll)
set(loaded)
foreach(plugin IN LISTS plugins)
    get_filename_component(kind "${plugin}" DIRECTORY)
    file(MAKE_DIRECTORY "${APP_DIR}/${kind}")
    file(COPY "${QT_PLUGINS}/${plugin}" DESTINATION "${APP_DIR}/${kind}")
    list(APPEND loaded "${APP_DIR}/${plugin}")
endforeach()
file(GLOB programs "${APP_DIR}/*.exe")

# The import tables, walked by hand: a DLL found in SEARCH_DIRS is copied and walked in turn;
# one found nowhere is the system's. (file(GET_RUNTIME_DEPENDENCIES) lowercases the names, which
# a case-sensitive build machine then can't find.)
set(queue ${programs} ${loaded})
set(copied)
while(queue)
    list(POP_FRONT queue binary)
    execute_process(COMMAND "${OBJDUMP}" -p "${binary}" OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "${OBJDUMP} could not read ${binary}")
    endif()
    string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${dump}")
    foreach(import IN LISTS imports)
        string(REGEX REPLACE "DLL Name: +" "" name "${import}")
        if(name IN_LIST copied)
            continue()
        endif()
        foreach(dir IN LISTS SEARCH_DIRS)
            if(EXISTS "${dir}/${name}")
                file(COPY "${dir}/${name}" DESTINATION "${APP_DIR}")
                list(APPEND copied "${name}")
                list(APPEND queue "${dir}/${name}")
                break()
            endif()
        endforeach()
    endforeach()
endwhile()
