# Ondulaxis HQ in the same bundle: its own library and descriptions, beside
# the plain plug-in's. Included from CMakeLists.txt, which sets bundle_dir.
add_library(OndulaxisHQLv2 MODULE OndulaxisHQLv2.cpp)
target_include_directories(OndulaxisHQLv2 PRIVATE ${ONDULAXIS_LV2_INCLUDE})
target_link_libraries(OndulaxisHQLv2 PRIVATE ondulaxis_hq)
set_target_properties(OndulaxisHQLv2 PROPERTIES
  PREFIX "" OUTPUT_NAME "OndulaxisHQ" SUFFIX ".so"
  LIBRARY_OUTPUT_DIRECTORY ${bundle_dir})
ondulaxis_self_contained_module(OndulaxisHQLv2 ${CMAKE_CURRENT_SOURCE_DIR}/exports.map)

set(hq_bundle_files "")
foreach(layout stereo mono)
  set(PLUGIN_URI "https://ondulaxis.example/lv2/hq-${layout}")
  if(layout STREQUAL "stereo")
    set(NAME_SUFFIX "")
    set(ENABLED_INDEX 15)
  else()
    set(NAME_SUFFIX " Mono")
    set(ENABLED_INDEX 13)
  endif()
  file(READ ttl/hq-audio-${layout}.ttl.part AUDIO_PORTS)
  string(STRIP "${AUDIO_PORTS}" AUDIO_PORTS)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ttl/hq-audio-${layout}.ttl.part ttl/hq-plugin.ttl.in)
  ondulaxis_lv2_description(hq ttl/hq-plugin.ttl.in ${bundle_dir}/ondulaxis-hq-${layout}.ttl)
  list(APPEND hq_bundle_files ${bundle_dir}/ondulaxis-hq-${layout}.ttl)
endforeach()
add_custom_target(OndulaxisHQLv2Descriptions ALL DEPENDS ${hq_bundle_files})
add_dependencies(OndulaxisHQLv2 OndulaxisHQLv2Descriptions)

install(TARGETS OndulaxisHQLv2 LIBRARY DESTINATION lib/lv2/${bundle_name})
install(FILES ${hq_bundle_files} DESTINATION lib/lv2/${bundle_name})
