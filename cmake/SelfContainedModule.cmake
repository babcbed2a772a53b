# A plug-in library that hosts on any Linux distribution can load: only the
# symbols in EXPORTS_MAP are exported, the C++ runtime and libgcc are linked
# in (the version script keeps their symbols local), so it needs only glibc's
# own libraries at run time and works beside a host built with another C++
# runtime. Dropping unused sections also drops the runtime's unused parts and
# their calls into newer glibc versions.
function(ondulaxis_self_contained_module target exports_map)
  # Frees what the linked-in runtime keeps for itself when a host unloads it.
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../plugin/RuntimeRelease.cpp)
  target_link_options(${target} PRIVATE
    -Wl,--version-script=${exports_map}
    -Wl,--no-undefined
    -Wl,--as-needed
    -Wl,--gc-sections
    -static-libstdc++ -static-libgcc)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${exports_map})
endfunction()

# A plug-in of the C interface as hosts load it: NAME.dll exporting exactly
# the entry names of plugin/exports.def on Windows, a self-contained NAME.so
# elsewhere, installed in lib/vst under the prefix (not the multiarch
# library folder: that is where hosts look; nothing links against it, so it
# needs no execute bit).
function(ondulaxis_plugin_module target name)
  set(plugin_dir ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../plugin)
  if(WIN32)
    target_sources(${target} PRIVATE ${plugin_dir}/exports.def)
    set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME "${name}" SUFFIX ".dll")
  else()
    set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME "${name}" SUFFIX ".so")
    ondulaxis_self_contained_module(${target} ${plugin_dir}/exports.map)
  endif()
  install(TARGETS ${target} LIBRARY DESTINATION lib/vst
    PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endfunction()
