# Windows programs' resources: varnok_windows_resources(TARGET DESCRIPTION)
# gives the program TARGET.exe its version information (resources/windows/
# version.rc.in) from the project's one version, with DESCRIPTION as what
# Properties, Details shows for it.

set(VARNOK_PUBLISHER "the Varnok authors")
set(VARNOK_COPYRIGHT "Copyright (c) 2026 the Varnok authors")

function(varnok_windows_resources target description)
  set(program_name ${target})
  set(program_description ${description})
  set(rc ${PROJECT_BINARY_DIR}/resources/windows/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/resources/windows/version.rc.in ${rc}
                 @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
