# Installs the build tree into a fresh prefix, builds the consumer against that
# prefix alone, and runs it.
file(REMOVE_RECURSE "${PK_WORK_DIR}")
set(prefix "${PK_WORK_DIR}/prefix")

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "failed (${rc}): ${ARGN}")
    endif()
endfunction()

run(${CMAKE_COMMAND} --install "${PK_BUILD_DIR}" --prefix "${prefix}")
run(${CMAKE_COMMAND} -S "${PK_CONSUMER_SOURCE}" -B "${PK_WORK_DIR}/build" -G "${PK_GENERATOR}"
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF)
run(${CMAKE_COMMAND} --build "${PK_WORK_DIR}/build")
run("${PK_WORK_DIR}/build/consumer")
