# Five fuzz targets: the segment reader, the Exif segment entry, the edit round trip through the driver, the
# preview finders and plans, and the photo value with its planned edits in memory.
# With LUMIVEX_FUZZ (clang) each becomes a libFuzzer binary over an engine built for it; otherwise each gets
# a plain main that replays the committed corpus and regressions under the build's own sanitizers.
set(LUMIVEX_FUZZ_TARGETS segment_reader exif_segment round_trip previews photo_value)
# The photo value starts from the segment reader's corpus of whole files.
set(corpus_photo_value segment_reader)

if(LUMIVEX_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "LUMIVEX_FUZZ needs clang (libFuzzer); use the fuzz preset")
    endif()
    # The engine once more, instrumented for coverage feedback and checked by both sanitizers.
    get_target_property(engine_sources lumivex_engine SOURCES)
    get_target_property(engine_dir lumivex_engine SOURCE_DIR)
    set(fuzz_engine_sources)
    foreach(source ${engine_sources})
        if(IS_ABSOLUTE ${source})
            list(APPEND fuzz_engine_sources ${source})
        else()
            list(APPEND fuzz_engine_sources ${engine_dir}/${source})
        endif()
    endforeach()
    set(fuzz_flags -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)

    add_library(lumivex_engine_fuzz STATIC ${fuzz_engine_sources})
    target_include_directories(lumivex_engine_fuzz PUBLIC ${PROJECT_SOURCE_DIR} ${engine_dir}/include)
    target_compile_options(lumivex_engine_fuzz PUBLIC ${fuzz_flags})
    lumivex_warnings(lumivex_engine_fuzz)

    add_library(lumivex_fuzz_support STATIC fuzz_support.cpp)
    target_link_libraries(lumivex_fuzz_support PUBLIC lumivex_engine_fuzz)
    lumivex_warnings(lumivex_fuzz_support)

    foreach(target ${LUMIVEX_FUZZ_TARGETS})
        add_executable(fuzz_${target} ${target}_target.cpp)
        target_link_libraries(fuzz_${target} PRIVATE lumivex_fuzz_support)
        target_link_options(fuzz_${target} PRIVATE -fsanitize=fuzzer,address,undefined)
        lumivex_warnings(fuzz_${target})
    endforeach()
elseif(LUMIVEX_FUZZ_REPLAY AND LUMIVEX_TESTS)
    add_library(lumivex_fuzz_support STATIC fuzz_support.cpp)
    target_link_libraries(lumivex_fuzz_support PUBLIC lumivex_engine)
    lumivex_warnings(lumivex_fuzz_support)

    foreach(target ${LUMIVEX_FUZZ_TARGETS})
        add_executable(replay_${target} ${target}_target.cpp replay_main.cpp)
        target_link_libraries(replay_${target} PRIVATE lumivex_fuzz_support)
        lumivex_warnings(replay_${target})
        set(corpus ${target})
        if(DEFINED corpus_${target})
            set(corpus ${corpus_${target}})
        endif()
        add_test(NAME fuzz_replay_${target}
                 COMMAND replay_${target} ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${corpus}
                         ${CMAKE_CURRENT_SOURCE_DIR}/regressions/${target})
    endforeach()
endif()
