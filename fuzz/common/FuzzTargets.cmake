# velk_add_fuzz(<name> SOURCES <files...> [LIBS <targets...>])
# The libFuzzer program fuzz_<name>; run.sh finds it and runs it.
function(velk_add_fuzz name)
    cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(fuzz_${name} ${F_SOURCES} ${CMAKE_SOURCE_DIR}/fuzz/common/fuzzcheck.h)
    target_include_directories(fuzz_${name} PRIVATE ${CMAKE_SOURCE_DIR}/fuzz/common)
    target_link_libraries(fuzz_${name} PRIVATE ${F_LIBS})
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
endfunction()

# velk_add_fuzz_seeds(<name> SOURCES <files...> [LIBS <targets...>])
# The program fuzz_<name>_seeds, which writes the target's seed corpus into
# the folder it is given (SeedCorpus).
function(velk_add_fuzz_seeds name)
    cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
    set(common ${CMAKE_SOURCE_DIR}/fuzz/common)
    add_executable(fuzz_${name}_seeds ${F_SOURCES} ${common}/seedcorpus.cpp ${common}/seedcorpus.h)
    target_include_directories(fuzz_${name}_seeds PRIVATE ${common})
    target_link_libraries(fuzz_${name}_seeds PRIVATE Qt6::Core ${F_LIBS})
endfunction()

# velk_add_description_seeds(<name>)
# fuzz_<name>_seeds for a target that reads setup descriptions: the sample
# device's, the dialog tests' and a few awkward ones (descriptionseeds.cpp).
function(velk_add_description_seeds name)
    velk_add_fuzz_seeds(${name} SOURCES ${CMAKE_SOURCE_DIR}/fuzz/common/descriptionseeds.cpp)
    target_compile_definitions(fuzz_${name}_seeds PRIVATE
        SAMPLE_DEVICE_SOURCE="${CMAKE_SOURCE_DIR}/examples/device"
        SETUP_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/setup/data")
endfunction()
