# Test registration shared by every tests/<folder>/CMakeLists.txt.
#
# vellumtide_add_tests(LIBS <targets...> [LABELS <labels...>] [TIMEOUT <seconds>] [PRINTS])
#   builds one executable per tst_*.cpp in the calling folder and registers it
#   with CTest. PRINTS marks tests that print on the private server's queues: they
#   count the jobs a queue writes, so no two of them run at the same time. Each test runs through tests/isolate.sh, which gives it a fresh
#   HOME and XDG folders, so no test sees the user's settings or default printer.
#
# Environment every test gets:
#   QT_QPA_PLATFORM=offscreen
#   VELLUMTIDE_TESTDATA   the public sample stores (../shared/testdata)
#   VELLUMTIDE_BIN        the build's bin/ folder (vellumtide, DBXToEML, ...)
#   VELLUMTIDE_SOURCE     the source tree
# CUPS_SERVER and VELLUMTIDE_CUPS_OUT come from scripts/test.sh (private CUPS).

set(VELLUMTIDE_ISOLATE "${CMAKE_CURRENT_LIST_DIR}/../tests/isolate.sh")

function(vellumtide_add_test name)
    cmake_parse_arguments(T "PRINTS" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test vt_testsupport ${T_LIBS})
    set_target_properties(${name} PROPERTIES
        AUTOMOC ON
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests-bin)
    add_test(NAME ${name} COMMAND ${VELLUMTIDE_ISOLATE} $<TARGET_FILE:${name}>)
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        LABELS "${T_LABELS}"
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;VELLUMTIDE_TESTDATA=${VELLUMTIDE_TESTDATA};VELLUMTIDE_BIN=${CMAKE_BINARY_DIR}/bin;VELLUMTIDE_SOURCE=${CMAKE_SOURCE_DIR}")
    if(T_PRINTS)
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK cups-queues)
    endif()
endfunction()

function(vellumtide_add_tests)
    cmake_parse_arguments(T "PRINTS" "TIMEOUT" "LIBS;LABELS" ${ARGN})
    set(prints)
    if(T_PRINTS)
        set(prints PRINTS)
    endif()
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
    foreach(source IN LISTS sources)
        get_filename_component(name ${source} NAME_WE)
        vellumtide_add_test(${name} SOURCES ${source} LIBS ${T_LIBS} LABELS ${T_LABELS} TIMEOUT ${T_TIMEOUT} ${prints})
    endforeach()
endfunction()

# vellumtide_add_fuzzer(<name> SOURCES <files...> [LIBS <targets...>] [SECONDS <n>])
#   only with VELLUMTIDE_FUZZ (clang): a libFuzzer executable with ASan and UBSan,
#   registered as a test that fuzzes for a bounded time (label "fuzz").
#   The sources under test are compiled into the fuzzer itself so they get coverage.
function(vellumtide_add_fuzzer name)
    if(NOT VELLUMTIDE_FUZZ)
        return()
    endif()
    cmake_parse_arguments(F "" "SECONDS" "SOURCES;LIBS;CORPUS;ARGS" ${ARGN})
    if(NOT F_SECONDS)
        set(F_SECONDS ${VELLUMTIDE_FUZZ_SECONDS})
    endif()
    add_executable(${name} ${F_SOURCES})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(${name} PRIVATE ${F_LIBS})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz-bin)
    set(corpus ${CMAKE_BINARY_DIR}/fuzz-corpus/${name})
    add_test(NAME ${name}
        COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
                ${VELLUMTIDE_ISOLATE} $<TARGET_FILE:${name}> -max_total_time=${F_SECONDS} -rss_limit_mb=2048
                -timeout=20 ${F_ARGS} ${corpus} ${F_CORPUS})
    set_tests_properties(${name} PROPERTIES
        LABELS fuzz
        TIMEOUT 600
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;VELLUMTIDE_TESTDATA=${VELLUMTIDE_TESTDATA}")
    file(MAKE_DIRECTORY ${corpus})
endfunction()
