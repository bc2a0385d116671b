# Each source folder is one library; its files are picked up by glob so that adding a class
# needs no edit here. A folder without sources yet becomes an interface library.
function(qw_add_layer name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    set(compiled ${ARG_SOURCES})
    list(FILTER compiled INCLUDE REGEX "\\.cpp$")
    if(compiled)
        add_library(${name} STATIC ${ARG_SOURCES})
        target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/..)
        target_link_libraries(${name} PUBLIC ${ARG_LIBS})
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${CMAKE_CURRENT_SOURCE_DIR}/..)
        target_link_libraries(${name} INTERFACE ${ARG_LIBS})
    endif()
endfunction()

# Sources of the current folder, optionally without some files.
function(qw_glob_sources out)
    cmake_parse_arguments(ARG "" "" "EXCLUDE" ${ARGN})
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
         ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
    foreach(ex IN LISTS ARG_EXCLUDE)
        list(REMOVE_ITEM found ${CMAKE_CURRENT_SOURCE_DIR}/${ex})
    endforeach()
    set(${out} ${found} PARENT_SCOPE)
endfunction()
