# Run by CTest with -P: BINARIES (programs and libraries that must start
# without FFmpeg or OpenCV). ldd lists everything they load, directly or not.
foreach(binary ${BINARIES})
    execute_process(COMMAND ldd ${binary} RESULT_VARIABLE status OUTPUT_VARIABLE loaded
                    ERROR_VARIABLE loaded)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "ldd ${binary} failed:\n${loaded}")
    endif()
    string(REGEX MATCHALL "lib(av[a-z]*|swscale|swresample|opencv_[a-z0-9]*)\\.so[^ ]*" video
           "${loaded}")
    if(video)
        list(REMOVE_DUPLICATES video)
        message(FATAL_ERROR "${binary} loads video libraries: ${video}")
    endif()
    string(REGEX MATCHALL "\n" lines "${loaded}")
    list(LENGTH lines count)
    message(STATUS "${binary}: ${count} libraries, none of them video")
endforeach()
