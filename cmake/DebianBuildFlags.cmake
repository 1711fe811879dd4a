# Debian's hardening flags for the release build (the one the package is made
# from): fortified string and print functions, the stack protector, read-only
# relocations bound at start-up. The release preset includes this file right
# after project(), before any target exists, so every object gets the flags.
#
# The flags come from dpkg-buildflags with every hardening feature on, asked in
# the source folder so its path is mapped to "." in what the compiler records.
# Its -O and -g are left out: the build type chooses the optimisation, and the
# package ships stripped programs without a debug-symbol package.
find_program(KR5061_DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT KR5061_DPKG_BUILDFLAGS)
  message(STATUS "dpkg-buildflags not found: building without Debian's hardening flags")
  return()
endif()

function(kr5061_dpkg_buildflags kind out)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
            ${KR5061_DPKG_BUILDFLAGS} --get ${kind}
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    OUTPUT_VARIABLE flags
    OUTPUT_STRIP_TRAILING_WHITESPACE
    COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  list(FILTER flags EXCLUDE REGEX "^-(O.*|g)$")
  list(JOIN flags " " flags)
  set(${out} "${flags}" PARENT_SCOPE)
endfunction()

kr5061_dpkg_buildflags(CPPFLAGS kr5061_cppflags)
kr5061_dpkg_buildflags(CXXFLAGS kr5061_cxxflags)
kr5061_dpkg_buildflags(LDFLAGS kr5061_ldflags)
# Before the build type's own flags, so its optimisation level stays in force.
set(CMAKE_CXX_FLAGS "${kr5061_cppflags} ${kr5061_cxxflags} ${CMAKE_CXX_FLAGS}")
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS "${kr5061_ldflags} ${CMAKE_${kind}_LINKER_FLAGS}")
endforeach()
message(STATUS "Debian build flags: ${CMAKE_CXX_FLAGS}; linker: ${kr5061_ldflags}")
