# cmake -DLIST_PROGRAM=<listmimetypes> -DINPUT=<template> -DOUTPUT=<file> -DPROJECT_VERSION=<v>
#       -P configuremimetypes.cmake
# Configures a template with the MIME types the engine opens, asked of the engine at build time:
#   @KELVANE_DESKTOP_MIME_TYPES@    "type;type;" as desktop entries and file manager actions want it
#   @KELVANE_APPSTREAM_MEDIATYPES@  one <mediatype> element a line, for AppStream's <provides>
execute_process(COMMAND ${LIST_PROGRAM} OUTPUT_VARIABLE listed RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${LIST_PROGRAM} failed: ${status}")
endif()
string(STRIP "${listed}" listed)
string(REPLACE "\n" ";" types "${listed}")
if(NOT types)
    message(FATAL_ERROR "the engine opens no format")
endif()

set(KELVANE_DESKTOP_MIME_TYPES "")
set(mediatype_lines "")
foreach(type IN LISTS types)
    string(APPEND KELVANE_DESKTOP_MIME_TYPES "${type};")
    list(APPEND mediatype_lines "    <mediatype>${type}</mediatype>")
endforeach()
string(REPLACE ";" "\n" KELVANE_APPSTREAM_MEDIATYPES "${mediatype_lines}")
configure_file(${INPUT} ${OUTPUT} @ONLY)
