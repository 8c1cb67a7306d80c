# What `cmake --install` and the Debian package (./scripts/package, CPack) carry besides the
# three programs (installed by their own folders): the udev rule, kovctl's manual page and the
# package's documents.
set(KOV_UDEV_RULES_INSTALL_DIR "/lib/udev/rules.d" CACHE PATH "Where the device's udev rule is installed")
install(FILES ${PROJECT_SOURCE_DIR}/packaging/linux/70-kov-device.rules DESTINATION ${KOV_UDEV_RULES_INSTALL_DIR})

# Manual pages and Debian changelogs are installed compressed, reproducibly (no name, no time).
find_program(KOV_GZIP gzip)
set(_packaging ${PROJECT_SOURCE_DIR}/packaging/linux)
set(_gzipped ${PROJECT_BINARY_DIR}/packaging)
foreach(_pair "kovctl.1|kovctl.1.gz" "changelog|changelog.Debian.gz")
  string(REPLACE "|" ";" _pair "${_pair}")
  list(GET _pair 0 _in)
  list(GET _pair 1 _out)
  add_custom_command(OUTPUT ${_gzipped}/${_out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_gzipped}
    COMMAND ${KOV_GZIP} -9n -c ${_packaging}/${_in} > ${_gzipped}/${_out}
    DEPENDS ${_packaging}/${_in} VERBATIM)
  list(APPEND _gzipped_files ${_gzipped}/${_out})
endforeach()
add_custom_target(kov_packaging_files ALL DEPENDS ${_gzipped_files})
install(FILES ${_gzipped}/kovctl.1.gz DESTINATION share/man/man1)
install(FILES ${_packaging}/copyright ${_gzipped}/changelog.Debian.gz DESTINATION share/doc/kov-config)

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
  WORLD_READ WORLD_EXECUTE)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kov-config)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Dovrane)
set(CPACK_PACKAGE_CONTACT "Dovrane <support@dovrane.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configurator for Dovrane KOV camera and recording devices")
# CPack puts the summary first and indents the lines (an empty line becomes " .").
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "kov-config reads the parameters of a Dovrane camera, streaming or recording
device plugged in by USB, shows them on its pages and writes the edited
settings back; it also programs firmware and fetches logs and diagnostics.

kovctl does the same from scripts, and kov-device-sim simulates a device for
trying both without hardware. A udev rule lets the user at the seat open the
device.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://www.dovrane.com")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The desktop opener for Driver > Download driver, the administrator prompt for Install driver.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, pkexec | policykit-1")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
