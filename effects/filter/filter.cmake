# The DirectShow side of the effects library (Windows only): the base layer
# (effects_dshow), the filter, its page and VideoEffects.dll, and their tests.

add_library(effects_dshow STATIC
  dshow/base_filter.cpp
  dshow/base_pin.cpp
  dshow/enumerators.cpp
  dshow/filter_registration.cpp
  dshow/media_type.cpp
  dshow/property_page.cpp
  dshow/transform_filter.cpp)
zelvo_target(effects_dshow)
target_link_libraries(effects_dshow PUBLIC zelvo_com strmiids ole32 oleaut32 uuid user32)

# The filter's code, shared by the library and the in-process tests.
add_library(effects_filter STATIC
  filter/overlay_renderer.cpp
  filter/video_effects_filter.cpp
  filter/video_effects_page.cpp)
zelvo_target(effects_filter)
target_link_libraries(effects_filter PUBLIC effects_dshow effects_core zelvo_idl gdi32 comctl32)

add_library(effects SHARED
  filter/module.cpp
  filter/video_effects.rc
  filter/video_effects.def)
zelvo_target(effects)
target_link_libraries(effects PRIVATE effects_filter)
set_target_properties(effects PROPERTIES OUTPUT_NAME VideoEffects PREFIX "")
# The .def names the undecorated exports; --kill-at strips the @n suffixes.
target_link_options(effects PRIVATE -Wl,--kill-at -Wl,--enable-stdcall-fixup)

if(NOT ZELVO_FUZZ)
  add_library(effects_filter_test_support STATIC tests/filter_test_support.cpp)
  zelvo_target(effects_filter_test_support)
  target_link_libraries(effects_filter_test_support PUBLIC effects_dshow effects_core zelvo_idl)

  # Graphs built by Wine's filter graph manager around VideoEffects.dll.
  zelvo_gtest(effects_filter_graph
    SOURCES tests/filter_graph_test.cpp
    LIBS effects_filter_test_support gdi32)
  add_dependencies(effects_filter_graph effects)

  # Samples pushed straight into the filter: read-only inputs, end of stream
  # after Stop, in-stream format changes against concurrent readers.
  zelvo_gtest(effects_filter_streaming
    SOURCES tests/filter_streaming_test.cpp
    LIBS effects_filter_test_support gdi32)
  add_dependencies(effects_filter_streaming effects)

  # Hundreds of play-to-end-then-Stop runs; a deadlocked Stop ends the
  # program through its watchdog.
  zelvo_gtest(effects_filter_stress
    SOURCES tests/filter_stress_test.cpp
    LIBS effects_filter_test_support)
  add_dependencies(effects_filter_stress effects)
endif()

if(NOT ZELVO_FUZZ)
  # Registration, media types, the property page (regsvr32 and the
  # property frame run in the test prefix under the session's Xvfb) and the
  # overlay renderer's GDI side.
  zelvo_gtest(effects_filter_com
    SOURCES tests/filter_com_test.cpp tests/filter_overlay_test.cpp
    LIBS effects_filter_test_support effects_filter gdi32 comctl32 oleaut32)
  add_dependencies(effects_filter_com effects)
endif()
