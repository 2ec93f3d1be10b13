# nalto_add_module(<target> NAME "<module name>" SOURCES <files>...)
# Builds one module library named "<module name>.sem" that exports exactly getModuleProperties
# and makeModule.
set(NALTO_MODULE_OUTPUT_DIR "" CACHE PATH "Where module libraries are written (default: the build tree's modules/)")

function(nalto_add_module target)
  cmake_parse_arguments(ARG "" "NAME" "SOURCES" ${ARGN})
  add_library(${target} MODULE ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE nalto_framework)
  set(output_dir "${NALTO_MODULE_OUTPUT_DIR}")
  if(NOT output_dir)
    set(output_dir "${PROJECT_BINARY_DIR}/modules")
  endif()
  set_target_properties(${target} PROPERTIES
    PREFIX "" OUTPUT_NAME "${ARG_NAME}" SUFFIX ".sem"
    LIBRARY_OUTPUT_DIRECTORY "${output_dir}"
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  if(WIN32)
    target_sources(${target} PRIVATE "${PROJECT_SOURCE_DIR}/framework/module.def")
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  elseif(NALTO_FUZZ)
    # The sanitizer and coverage runtimes live in the fuzz program that loads the library.
    target_link_options(${target} PRIVATE
      "-Wl,--version-script=${PROJECT_SOURCE_DIR}/framework/module.map")
  else()
    target_link_options(${target} PRIVATE
      "-Wl,--version-script=${PROJECT_SOURCE_DIR}/framework/module.map" -Wl,--no-undefined)
  endif()
  set_property(GLOBAL APPEND PROPERTY NALTO_MODULE_TARGETS ${target})
endfunction()
