# The configurator's Windows tests. Everything lands beside Configurator.exe:
# the test filter DLL, a copy of VideoEffects.dll and the test programs.
# The tests that register into the codec category (and the test DLL's
# classes) take turns, since each expects to find exactly its own entries.

set(tests_dir ${CMAKE_CURRENT_SOURCE_DIR}/tests)

add_library(configurator_test_filters SHARED
  ${tests_dir}/test_filters/test_filters.cpp
  ${tests_dir}/test_filters/test_filters.rc
  ${tests_dir}/test_filters/test_filters.def)
zelvo_target(configurator_test_filters)
target_link_libraries(configurator_test_filters PRIVATE effects_dshow zelvo_com)
set_target_properties(configurator_test_filters PROPERTIES OUTPUT_NAME ConfiguratorTestFilters PREFIX "")
target_link_options(configurator_test_filters PRIVATE -Wl,--kill-at -Wl,--enable-stdcall-fixup)

add_library(configurator_test_support STATIC ${tests_dir}/ui_test_support.cpp)
zelvo_target(configurator_test_support)
target_link_libraries(configurator_test_support PUBLIC configurator_ui strmiids advapi32)

# The panel, the page site and the enumeration's panel building, in a host
# window of the test's own.
zelvo_gtest(configurator_pages
  SOURCES ${tests_dir}/pages_test.cpp ${configurator_rc}
  LIBS configurator_test_support)
add_dependencies(configurator_pages configurator_test_filters configurator_icon)

# The whole program on a thread of the test process, over the codec
# category, with the test filters and the real "Video Effects" filter.
zelvo_gtest(configurator_dialog
  SOURCES ${tests_dir}/dialog_test.cpp ${tests_dir}/video_effects_test.cpp ${configurator_rc}
  LIBS configurator_test_support zelvo_idl gdi32)
add_dependencies(configurator_dialog configurator_test_filters configurator_icon effects)
add_custom_command(TARGET configurator_dialog POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:effects> ${CMAKE_CURRENT_BINARY_DIR}/
  VERBATIM)

# Configurator.exe as a process of its own: its resources, listing, keys.
zelvo_gtest(configurator_program
  SOURCES ${tests_dir}/program_test.cpp
  LIBS configurator_test_support)
add_dependencies(configurator_program configurator configurator_test_filters)

set_tests_properties(configurator_pages configurator_dialog configurator_program PROPERTIES
  RESOURCE_LOCK configurator_codec_category)
