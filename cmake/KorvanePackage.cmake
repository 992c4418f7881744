# `make package`: the Debian package of everything the Linux build installs, and the zip of
# the Windows modules with the manual. The zip's configuration is written here and run by the
# Makefile once both Windows builds are done (scripts/stage-windows-zip.sh gathers its files).
include_guard(GLOBAL)
if(WIN32)
  return()
endif()

set(CPACK_PACKAGE_NAME korvane-filter)
set(CPACK_PACKAGE_VENDOR Quorl)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quorl <packages@quorl.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "resonant filter audio plug-in for VST 2 and LV2 hosts")
set(CPACK_PACKAGE_DESCRIPTION
    "Korvane Filter is a resonant filter for one or two channels: a non-linear
four-stage ladder low-pass, two band-pass shapes and a soft brickwall limiter,
with gliding cutoff and resonance, sample-accurate MIDI controllers and a
bitmap editor. This package holds the VST 2 module, the LV2 bundle, the manual
and the korvane-render, korvane-snapshot and korvane-validate tools.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://quorl.example/korvane-filter")
include(CPack)

set(KORVANE_WINDOWS_STAGE ${CMAKE_BINARY_DIR}/packages/windows-stage)
file(WRITE ${CMAKE_BINARY_DIR}/CPackWindowsZip.cmake
"# The Windows zip: both modules, each with the manual beside it.
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME KorvaneFilter)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME KorvaneFilter-${PROJECT_VERSION}-win)
set(CPACK_PACKAGE_DESCRIPTION \"Korvane Filter for Windows VST 2 hosts, 32-bit and 64-bit\")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_INSTALL_CMAKE_PROJECTS \"\")
set(CPACK_INSTALLED_DIRECTORIES \"${KORVANE_WINDOWS_STAGE};.\")
set(CPACK_OUTPUT_FILE_PREFIX \"${CMAKE_BINARY_DIR}/packages\")
")
