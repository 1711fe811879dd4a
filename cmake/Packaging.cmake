# `cmake --build --preset release --target package` builds the Debian package
# kr5061_<version>_<arch>.deb in the build folder. The release preset compiles
# with Debian's hardening flags (cmake/DebianBuildFlags.cmake).
#
# Debian's own files live in resources/debian/:
# - copyright and changelog go to /usr/share/doc/kr5061 (below);
# - a maintainer script or control file placed there (preinst, postinst,
#   prerm, postrm, conffiles, triggers, templates, config) goes into the
#   package's control part as it is, scripts made executable.
# Files the package installs besides the programs and resources/ (a service
# unit, say) get their install() rule at the end of this file.

# Control fields.
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
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends come from the shared libraries the programs link (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# A link out of the help window opens through the desktop (xdg-open); the
# windows' texts are laid out for Arial's metrics.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, fonts-liberation2")

# Maintainer scripts and control files.
set(kr5061_debian_dir ${PROJECT_SOURCE_DIR}/resources/debian)
foreach(name preinst postinst prerm postrm conffiles triggers templates config)
  if(EXISTS ${kr5061_debian_dir}/${name})
    list(APPEND CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${kr5061_debian_dir}/${name})
  endif()
endforeach()
# Scripts 0755, every other control file 0644, whatever the source's modes.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Folders the install creates on the way are 0755 whatever the umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The copyright file (machine-readable format), the changelog (gzip -9n) and
# lintian's overrides.
include(${PROJECT_SOURCE_DIR}/cmake/GzipFile.cmake)
kr5061_gzip(${kr5061_debian_dir}/changelog kr5061_changelog_gz)
add_custom_target(kr5061_package_changelog ALL DEPENDS ${kr5061_changelog_gz})
set(kr5061_docdir ${CMAKE_INSTALL_DATADIR}/doc/kr5061)
install(FILES ${kr5061_debian_dir}/copyright DESTINATION ${kr5061_docdir})
install(FILES ${kr5061_changelog_gz} DESTINATION ${kr5061_docdir} RENAME changelog.gz)
# Each override says in its own comment why the tag does not apply.
install(FILES ${kr5061_debian_dir}/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME kr5061)

# Stripped as Debian strips programs: symbols, debugging sections and the
# compiler's .comment and .note sections go. CPack installs with stripping on,
# after every program's own install rule has run (policy CMP0082).
set(CPACK_STRIP_FILES ON)
set(kr5061_packaged_programs kr5061 kr5061-sim)
foreach(program ${kr5061_packaged_programs})
  install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
      execute_process(
        COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:${program}>\"
        COMMAND_ERROR_IS_FATAL ANY)
    endif()")
endforeach()

include(CPack)
