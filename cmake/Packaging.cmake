# `cmake --build --preset release --target package` builds the Debian package
# kr5061_<version>_<arch>.deb in the build folder.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kr5061)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "KR5061 companion maintainers")
set(CPACK_PACKAGE_CONTACT
    "KR5061 companion maintainers <maintainers@users.noreply.c-seed-cc497b1b.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "companion program of the KR5061 psychrometer")
set(CPACK_PACKAGE_DESCRIPTION
    "Desktop companion of the KR5061 handheld psychrometer with infrared and
type-K thermocouple surface input. It talks to the instrument over a serial
line, mirrors its display, watches alarm limits, records runs into a real-time
graph, saves them as measurement files with a text table, exports CSV and
prints test reports. The record command records without a window; kr5061-sim
simulates the instrument on a pseudo-terminal.")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends come from the shared libraries the programs link (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Help > Contents opens the HTML help through the desktop's browser; the
# windows' texts are laid out for Arial's metrics.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, fonts-liberation2")

include(CPack)
