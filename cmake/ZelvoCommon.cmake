# Compiler settings shared by every target of the project.

set(ZELVO_WARNINGS -Wall -Wextra -Wpedantic -Wno-unused-parameter)
if(ZELVO_WERROR)
  list(APPEND ZELVO_WARNINGS -Werror)
endif()

if(ZELVO_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

if(ZELVO_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
  # Programs and libraries carry no mingw runtime DLLs with them.
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX NO_DSHOW_STRSAFE _WIN32_WINNT=0x0601 WINVER=0x0601)
  add_link_options(-static -static-libgcc -static-libstdc++)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    # IEEE double arithmetic as on every other build, not the x87's extended
    # precision: the level and pixel formulas then give the same results.
    add_compile_options(-msse2 -mfpmath=sse)
  endif()
endif()

# zelvo_target(<target>): warnings and include paths every project target gets.
function(zelvo_target tgt)
  target_compile_options(${tgt} PRIVATE ${ZELVO_WARNINGS})
  target_include_directories(${tgt} PRIVATE ${PROJECT_SOURCE_DIR})
endfunction()

# zelvo_fuzzer(<name> SOURCES ... [LIBS ...] [SECONDS n]): a libFuzzer target
# (fuzz preset only) and a short ctest run of it; tools/fuzz.sh runs longer.
function(zelvo_fuzzer name)
  cmake_parse_arguments(F "" "SECONDS" "SOURCES;LIBS" ${ARGN})
  if(NOT ZELVO_FUZZ)
    return()
  endif()
  if(NOT F_SECONDS)
    set(F_SECONDS 20)
  endif()
  add_executable(${name} ${F_SOURCES})
  zelvo_target(${name})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  set(corpus ${CMAKE_CURRENT_BINARY_DIR}/${name}_corpus)
  file(MAKE_DIRECTORY ${corpus})
  add_test(NAME ${name} COMMAND ${name} -max_total_time=${F_SECONDS} -timeout=10 -rss_limit_mb=2048 ${corpus})
  set_tests_properties(${name} PROPERTIES TIMEOUT 300)
endfunction()
