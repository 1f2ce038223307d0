# Fails unless the module's dynamic symbol table defines exactly the resource table ResMap and the entry points
# VSTPluginMain and main.
find_program(NM_TOOL nm REQUIRED)
execute_process(COMMAND ${NM_TOOL} -D --defined-only ${MODULE}
                OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "nm failed on ${MODULE}")
endif()
string(REGEX MATCHALL "[^ \n]+\n" lines "${symbols}")
set(names "")
foreach(line ${lines})
    string(STRIP "${line}" name)
    list(APPEND names ${name})
endforeach()
list(SORT names)
if(NOT names STREQUAL "ResMap;VSTPluginMain;main")
    message(FATAL_ERROR "exported symbols: ${names}")
endif()
