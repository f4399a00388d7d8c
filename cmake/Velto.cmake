# Helpers shared by every deliverable and outside component.

# Gives a target a version resource (1.02) with its file name and description.
function(velto_version_resource target description)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(VELTO_FILE_NAME "${target}.exe")
    set(VELTO_FILE_TYPE "VFT_APP")
  else()
    set(VELTO_FILE_NAME "${target}.dll")
    set(VELTO_FILE_TYPE "VFT_DLL")
  endif()
  set(VELTO_DESCRIPTION "${description}")
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${out} @ONLY)
  target_sources(${target} PRIVATE ${out})
endfunction()

# Puts a DLL target into the Plugins folder beside the program.
function(velto_plugin target)
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${VELTO_PLUGIN_DIR}
    LIBRARY_OUTPUT_DIRECTORY ${VELTO_PLUGIN_DIR})
endfunction()
