# Run by CTest with -P: VELK_BUILD (a built tree), SCRATCH (a folder of its
# own). Builds the Debian packages as `make package` does and fails on any
# lintian error; prints each package's installed size and lintian's other
# findings. Skipped where lintian or dpkg-shlibdeps is not installed.
find_program(LINTIAN lintian)
find_program(SHLIBDEPS dpkg-shlibdeps)
if(NOT LINTIAN OR NOT SHLIBDEPS)
    message(STATUS "SKIPPED: lintian or dpkg-shlibdeps is not installed "
                   "(scripts/install-deps.sh installs both)")
    return()
endif()
get_filename_component(cmake_dir ${CMAKE_COMMAND} DIRECTORY)
find_program(CPACK cpack HINTS ${cmake_dir} NO_DEFAULT_PATH)
find_program(CPACK cpack REQUIRED)

file(REMOVE_RECURSE ${SCRATCH})
execute_process(COMMAND ${CPACK} -G DEB --config ${VELK_BUILD}/CPackConfig.cmake -B ${SCRATCH}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cpack failed (${status}):\n${out}")
endif()

file(GLOB packages ${SCRATCH}/*.deb ${SCRATCH}/*.ddeb)
if(NOT packages)
    message(FATAL_ERROR "cpack made no package:\n${out}")
endif()

# Installed-Size is in KiB; the runtime package must stay small enough that
# nobody ships debug information in it by mistake.
set(runtime_limit_kib 30720)
foreach(deb ${packages})
    execute_process(COMMAND dpkg-deb -f ${deb} Package Installed-Size OUTPUT_VARIABLE fields)
    string(REGEX MATCH "Package: ([^\n]+)\nInstalled-Size: ([0-9]+)" _ "${fields}")
    set(name ${CMAKE_MATCH_1})
    set(kib ${CMAKE_MATCH_2})
    message(STATUS "${name}: installed size ${kib} KiB")
    if(name MATCHES "^libsetupvelk[0-9]+$" AND kib GREATER runtime_limit_kib)
        message(FATAL_ERROR "${name} installs ${kib} KiB, more than ${runtime_limit_kib} KiB")
    endif()
endforeach()

execute_process(COMMAND ${LINTIAN} --no-tag-display-limit ${packages}
                RESULT_VARIABLE status OUTPUT_VARIABLE findings ERROR_VARIABLE findings)
message(STATUS "lintian:\n${findings}")
string(REGEX MATCHALL "(^|\n)E: [^\n]*" errors "${findings}")
if(errors OR NOT status EQUAL 0)
    message(FATAL_ERROR "lintian reports errors (exit status ${status})")
endif()
