# pk_add_library(<Name> EXPORT_MACRO <MACRO> HEADER_DIR <dir>)
#   Makes one of the project's shared libraries: hidden symbols, an export header
#   <dir>/<Name>Export.h defining <MACRO>, include paths from the repository root,
#   RUNPATH $ORIGIN, and install rules. <dir> is also the folder the library's files
#   live in, and the folder its headers are installed to under include/.
#
# pk_library_sources(<Name> SOURCES ... HEADERS ...)
#   Adds files given relative to the calling folder; public headers are installed with
#   the same path below include/.
function(pk_add_library name)
    cmake_parse_arguments(ARG "" "EXPORT_MACRO;HEADER_DIR" "" ${ARGN})
    add_library(${name} SHARED)
    add_library(Polykern::${name} ALIAS ${name})

    set(gen_dir "${CMAKE_BINARY_DIR}/generated")
    generate_export_header(${name}
        EXPORT_MACRO_NAME ${ARG_EXPORT_MACRO}
        EXPORT_FILE_NAME "${gen_dir}/${ARG_HEADER_DIR}/${name}Export.h")

    target_include_directories(${name} PUBLIC
        "$<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>"
        "$<BUILD_INTERFACE:${gen_dir}>"
        "$<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>")
    target_compile_features(${name} PUBLIC cxx_std_17)
    target_link_libraries(${name} PRIVATE pk_warnings)
    if(PK_NO_UNDEFINED_FLAG)
        target_link_options(${name} PRIVATE ${PK_NO_UNDEFINED_FLAG})
    endif()
    set_target_properties(${name} PROPERTIES
        VERSION ${PROJECT_VERSION}
        SOVERSION ${PROJECT_VERSION_MAJOR}
        BUILD_WITH_INSTALL_RPATH ON
        INSTALL_RPATH "$ORIGIN"
        PK_HEADER_DIR "${ARG_HEADER_DIR}")

    install(TARGETS ${name} EXPORT PolykernTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES "${gen_dir}/${ARG_HEADER_DIR}/${name}Export.h"
        DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}/${ARG_HEADER_DIR}")
endfunction()

function(pk_library_sources name)
    cmake_parse_arguments(ARG "" "" "SOURCES;HEADERS" ${ARGN})
    target_sources(${name} PRIVATE ${ARG_SOURCES} ${ARG_HEADERS})
    get_target_property(header_dir ${name} PK_HEADER_DIR)
    file(RELATIVE_PATH rel "${PROJECT_SOURCE_DIR}/${header_dir}" "${CMAKE_CURRENT_SOURCE_DIR}")
    foreach(header IN LISTS ARG_HEADERS)
        get_filename_component(sub "${header}" DIRECTORY)
        install(FILES "${header}"
            DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}/${header_dir}/${rel}/${sub}")
    endforeach()
endfunction()
