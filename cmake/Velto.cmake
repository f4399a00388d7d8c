# Helpers shared by every deliverable and outside component.

# Gives a target a version resource (the project version, 1.02) with its file name and
# description.
function(velto_version_resource target description)
  # "1.02" is 1,2,0,0 in numbers (math reads "02" as 2, where windres would read octal).
  math(EXPR minor "${CMAKE_PROJECT_VERSION_MINOR}+0")
  set(VELTO_VERSION_NUMBERS "${CMAKE_PROJECT_VERSION_MAJOR},${minor},0,0")
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

# Embeds an application manifest (a template with @VELTO_VERSION_QUAD@) into a program, as
# resource 1 of type RT_MANIFEST. It lives in its own .rc, not in the program's resources, so
# a test program compiling those gets a manifest only when its CMakeLists asks for one (the
# dialog tests do, to see the same common controls as the program).
function(velto_manifest target template)
  math(EXPR minor "${CMAKE_PROJECT_VERSION_MINOR}+0")
  set(VELTO_VERSION_QUAD "${CMAKE_PROJECT_VERSION_MAJOR}.${minor}.0.0")
  set(manifest ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
  configure_file(${template} ${manifest} @ONLY)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_manifest.rc)
  # Written only when it changes, so a new configure does not relink the program.
  file(CONFIGURE OUTPUT ${rc} CONTENT
       "#include <winuser.h>\nCREATEPROCESS_MANIFEST_RESOURCE_ID RT_MANIFEST \"${manifest}\"\n")
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${manifest})
  target_sources(${target} PRIVATE ${rc})
endfunction()
