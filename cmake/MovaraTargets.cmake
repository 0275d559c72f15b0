# movara_add_test(NAME SOURCES ... LIBS ... [LABELS ...])
# One GoogleTest executable; each test case becomes a CTest test, discovered when the
# tests run (not at build time) so cross builds and sanitizer builds need no extra step.
function(movara_add_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    target_compile_definitions(${name} PRIVATE MOVARA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    set(labels ${T_LABELS})
    if(NOT labels)
        set(labels unit)
    endif()
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        PROPERTIES
            LABELS "${labels}"
            TIMEOUT 300
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen;SDL_AUDIODRIVER=dummy;LC_ALL=C.UTF-8")
endfunction()

# movara_add_fuzzer(NAME SOURCES ... LIBS ...): a libFuzzer target (fuzz preset only).
function(movara_add_fuzzer name)
    cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${F_SOURCES})
    target_link_libraries(${name} PRIVATE ${F_LIBS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()
