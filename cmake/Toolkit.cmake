# Build helpers shared by every folder of the project.

if(TK_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()
if(TK_FUZZ)
    # Coverage for libFuzzer in every library; the fuzz targets alone link its driver.
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
    add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
    add_compile_options(-Wall -Wextra -Wno-unused-parameter -Wno-cast-function-type)
    # Test programs run under Wine, in a prefix private to this build folder.
    set(WINE_PREFIX_DIR ${CMAKE_BINARY_DIR}/wineprefix)
    # The 64-bit build runs under the 64-bit loader directly; the 32-bit build needs the loader that
    # picks the 32-bit side. Either way the prefix itself is a 64-bit one, created by wine64.
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(WINE_LOADER /usr/lib/wine/wine64)
        set(WINE_BITS 64)
    else()
        set(WINE_LOADER wine)
        set(WINE_BITS 32)
    endif()
    if(EXISTS /usr/lib/wine/wine64)
        set(WINE_BOOT_LOADER /usr/lib/wine/wine64)
    else()
        set(WINE_BOOT_LOADER wine)
    endif()
    # A program of this build that the wrapper starts once to learn whether Wine can run the tests.
    add_executable(tk_wine_probe ${CMAKE_SOURCE_DIR}/cmake/wine-probe.c)
    set(WINE_PROBE ${CMAKE_BINARY_DIR}/tk_wine_probe.exe)
    set_target_properties(tk_wine_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
    configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.in ${CMAKE_BINARY_DIR}/wine-run
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                                    WORLD_EXECUTE @ONLY)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
else()
    add_compile_options(-Wall -Wextra -Wno-unused-parameter)
endif()

# GoogleTest is compiled from Debian's sources for every build (mingw included).
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
include(GoogleTest)
if(WIN32)
    # Windows test programs start with COM on their main thread, as the programs' entries do.
    add_library(tk_test_main STATIC ${CMAKE_SOURCE_DIR}/tests/wine/TestMain.cpp)
    target_link_libraries(tk_test_main PUBLIC tk_common GTest::gtest)
    set(TK_TEST_MAIN tk_test_main)
else()
    set(TK_TEST_MAIN GTest::gtest_main)
endif()

# Optimisation across translation units for the programs whose speed counts: the dump converter's
# per-token path runs from the reader's files into the converter's handlers and back. Libraries keep
# ordinary object code beside the intermediate code (fat objects), so test programs link them as usual.
function(tk_optimize_across_units)
    if(TK_SANITIZE OR NOT CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo)$")
        return()
    endif()
    include(CheckIPOSupported)
    check_ipo_supported(RESULT supported LANGUAGES CXX)
    if(NOT supported)
        return()
    endif()
    foreach(target ${ARGN})
        set_property(TARGET ${target} PROPERTY INTERPROCEDURAL_OPTIMIZATION ON)
        get_target_property(type ${target} TYPE)
        if(type STREQUAL "STATIC_LIBRARY")
            target_compile_options(${target} PRIVATE -ffat-lto-objects)
        else()
            # GCC 12 warns of impossible sizes in inlined string copies it cannot bound at link time.
            target_link_options(${target} PRIVATE -Wno-restrict -Wno-stringop-overflow)
        endif()
    endforeach()
endfunction()

# tk_add_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2 [LABELS l1 l2] [TIMEOUT s])
# One test program; every test case becomes a CTest test. In the Windows builds the program runs
# through the Wine wrapper and carries the label "wine".
function(tk_add_test name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock ${TK_TEST_MAIN})
    # Test programs link the ordinary code of libraries built for link-time optimisation.
    target_link_options(${name} PRIVATE -fno-lto)
    set(labels ${T_LABELS})
    if(WIN32)
        list(APPEND labels wine)
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    if(WIN32)
        tk_add_wine_test(${name} "${labels}" ${T_TIMEOUT})
    else()
        set(props TIMEOUT ${T_TIMEOUT})
        if(labels)
            list(APPEND props LABELS "${labels}")
        endif()
        gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120 PROPERTIES ${props})
    endif()
endfunction()

# Under Wine a test program is one CTest test: discovering its cases would need a working emulator at
# test time, and when Wine cannot run this build the wrapper reports the program as skipped (77).
# Every such test shares the prefix, prepared by one setup test and shut down by one cleanup test.
function(tk_add_wine_test name labels timeout)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS "${labels}" TIMEOUT ${timeout} SKIP_RETURN_CODE 77
                                            FIXTURES_REQUIRED wine_prefix)
    add_dependencies(${name} tk_wine_probe)
    get_property(fixture_added GLOBAL PROPERTY TK_WINE_FIXTURE_ADDED)
    if(NOT fixture_added)
        set_property(GLOBAL PROPERTY TK_WINE_FIXTURE_ADDED TRUE)
        add_test(NAME wine_prefix_setup COMMAND ${CMAKE_BINARY_DIR}/wine-run --prepare)
        add_test(NAME wine_prefix_shutdown COMMAND ${CMAKE_BINARY_DIR}/wine-run --shutdown)
        set_tests_properties(wine_prefix_setup PROPERTIES FIXTURES_SETUP wine_prefix LABELS wine TIMEOUT 600
                                                               SKIP_RETURN_CODE 77)
        set_tests_properties(wine_prefix_shutdown PROPERTIES FIXTURES_CLEANUP wine_prefix LABELS wine)
    endif()
endfunction()

# tk_embed_resources(TARGET name1 file1 [name2 file2 ...])
# Linux builds carry the Windows resources as generated arrays behind FindResourceData(name).
function(tk_embed_resources target)
    set(args ${ARGN})
    set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.cpp)
    set(script ${CMAKE_SOURCE_DIR}/cmake/EmbedResources.cmake)
    set(files)
    set(pairs)
    while(args)
        list(POP_FRONT args rname rfile)
        get_filename_component(rfile ${rfile} ABSOLUTE)
        list(APPEND files ${rfile})
        list(APPEND pairs "${rname}=${rfile}")
    endwhile()
    string(REPLACE ";" "|" pairs_arg "${pairs}")
    add_custom_command(OUTPUT ${out}
        COMMAND ${CMAKE_COMMAND} -DOUT=${out} "-DPAIRS=${pairs_arg}" -P ${script}
        DEPENDS ${files} ${script} VERBATIM)
    target_sources(${target} PRIVATE ${out})
endfunction()
