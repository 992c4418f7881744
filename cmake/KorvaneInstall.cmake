# What `cmake --install` puts where: the module and its manual where VST 2 hosts look for
# plug-ins, the tools and their man pages where a shell finds them, the licence with the
# documentation. Components: vst (module, manual), tools (programs, man pages), doc (licence,
# change log); the LV2 build adds lv2. The directories are the KORVANE_INSTALL_* settings.
include_guard(GLOBAL)
if(WIN32)
  return()  # the Windows modules ship in the zip that `make package` builds
endif()

if(TARGET KorvaneFilter)
  install(TARGETS KorvaneFilter LIBRARY DESTINATION ${KORVANE_INSTALL_VSTDIR} COMPONENT vst)
endif()
if(KORVANE_DOCS)
  # The editor's link opens the manual beside the module.
  install(FILES ${KORVANE_MANUAL_PDF} DESTINATION ${KORVANE_INSTALL_VSTDIR} COMPONENT vst)
endif()

foreach(tool korvane-render korvane-snapshot korvane-validate)
  if(TARGET ${tool})
    install(TARGETS ${tool} RUNTIME DESTINATION ${KORVANE_INSTALL_BINDIR} COMPONENT tools)
    if(KORVANE_DOCS)
      install(FILES ${KORVANE_MAN_DIR}/${tool}.1.gz DESTINATION ${KORVANE_INSTALL_MANDIR}/man1
              COMPONENT tools)
    endif()
  endif()
endforeach()

install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION ${KORVANE_INSTALL_DOCDIR} RENAME copyright
        COMPONENT doc)
# Compressed without a time stamp, as Debian ships change logs.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/changelog)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/doc)
execute_process(COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/docs/changelog
                OUTPUT_FILE ${CMAKE_BINARY_DIR}/doc/changelog.gz COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${CMAKE_BINARY_DIR}/doc/changelog.gz DESTINATION ${KORVANE_INSTALL_DOCDIR}
        COMPONENT doc)

# Everything the rules above install, built without the tests: what `make install` and
# `make package` build first.
add_custom_target(korvane_installable)
foreach(target KorvaneFilter KorvaneFilterLv2 KorvaneFilterLv2UI KorvaneFilterLv2Ttl korvane-render
               korvane-snapshot korvane-validate manual man_pages)
  if(TARGET ${target})
    add_dependencies(korvane_installable ${target})
  endif()
endforeach()
