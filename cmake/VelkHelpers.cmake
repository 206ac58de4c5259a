# velk_add_test(<name> SOURCES <files...> [LIBS <targets...>] [RESOURCE_LOCK <name>])
# One QtTest executable registered with CTest, run offscreen.
function(velk_add_test name)
    cmake_parse_arguments(T "" "RESOURCE_LOCK;TIMEOUT" "SOURCES;LIBS" ${ARGN})
    if(NOT T_SOURCES)
        set(T_SOURCES ${name}.cpp)
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
    add_test(NAME ${name} COMMAND ${name})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_HASH_SEED=0"
        TIMEOUT ${T_TIMEOUT})
    if(T_RESOURCE_LOCK)
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK ${T_RESOURCE_LOCK})
    endif()
endfunction()

# velk_add_bench(<name> SOURCES <files...> [LIBS <targets...>])
# A benchmark program named bench_<name>; `make bench` runs every one of them.
function(velk_add_bench name)
    cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(bench_${name} ${B_SOURCES})
    target_link_libraries(bench_${name} PRIVATE ${B_LIBS})
endfunction()
