# Run by CTest with -P: VELK_BUILD (the build tree to install), SCRATCH (a
# folder of its own), HOST_SOURCE (the host project), GENERATOR, HOST_FLAGS
# (compiler and linker flags the host needs, such as sanitizers).
function(run what)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out
                    ERROR_VARIABLE out)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${what} failed (${status}):\n${out}")
    endif()
    set(output "${out}" PARENT_SCOPE)
endfunction()

set(prefix ${SCRATCH}/prefix)
file(REMOVE_RECURSE ${SCRATCH})
run("install" ${CMAKE_COMMAND} --install ${VELK_BUILD} --prefix ${prefix})

# The installed package must stand on its own: nothing in it may point back
# into the tree it was built in.
file(GLOB_RECURSE package_files ${prefix}/*.cmake ${prefix}/*.pc)
foreach(f ${package_files})
    file(READ ${f} text)
    string(FIND "${text}" "${VELK_BUILD}" at)
    if(NOT at EQUAL -1)
        message(FATAL_ERROR "${f} refers to the build tree ${VELK_BUILD}")
    endif()
endforeach()

file(GLOB sonames ${prefix}/lib*/libsetupvelk.so.[0-9] ${prefix}/lib*/*/libsetupvelk.so.[0-9])
if(NOT sonames)
    message(FATAL_ERROR "no versioned libsetupvelk.so.N under ${prefix}")
endif()

# Nothing of ours takes a name outside our own: libraries in the loader's
# folder and the informer stand-in carry the prefix.
get_filename_component(libdir "${sonames}" DIRECTORY)
file(GLOB public_libs LIST_DIRECTORIES false RELATIVE ${libdir} ${libdir}/*)
list(FILTER public_libs EXCLUDE REGEX "^libsetupvelk(-[a-z]+)?\\.so")
if(public_libs OR EXISTS ${prefix}/bin/informer OR NOT EXISTS ${prefix}/bin/setupvelk-informer)
    message(FATAL_ERROR "unprefixed names installed: ${public_libs} ${prefix}/bin/informer")
endif()

file(GLOB_RECURSE pc_file ${prefix}/setupvelk.pc)
get_filename_component(pc_dir "${pc_file}" DIRECTORY)
set(ENV{PKG_CONFIG_PATH} ${pc_dir})
run("pkg-config" pkg-config --cflags --libs setupvelk)
string(REGEX MATCH "-I([^ \n]*/include/setupvelk)" include_flag "${output}")
if(NOT EXISTS "${CMAKE_MATCH_1}/setup/entrypoints.h" OR NOT output MATCHES "-lsetupvelk")
    message(FATAL_ERROR "pkg-config gives no usable flags: ${output}")
endif()

run("configuring the host" ${CMAKE_COMMAND} -S ${HOST_SOURCE} -B ${SCRATCH}/build -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS=${HOST_FLAGS}"
    "-DCMAKE_EXE_LINKER_FLAGS=${HOST_FLAGS}")
run("building the host" ${CMAKE_COMMAND} --build ${SCRATCH}/build)

# The host suite brings its own settings and style libraries; a host built
# against the package must not name our stand-ins for them.
run("readelf" readelf -d ${SCRATCH}/build/velk-host-check)
if(output MATCHES "libpxsettings|libnbxstyle")
    message(FATAL_ERROR "the host links the host stand-ins itself:\n${output}")
endif()

file(COPY ${prefix}/share/setupvelk/device/ DESTINATION ${SCRATCH}/flash)
unset(ENV{LD_LIBRARY_PATH})
set(ENV{QT_QPA_PLATFORM} offscreen)
run("the host" ${SCRATCH}/build/velk-host-check ${SCRATCH}/flash)
if(NOT output MATCHES "dialog shown, cancelled")
    message(FATAL_ERROR "the host did not see the dialog:\n${output}")
endif()
message(STATUS "${output}")
