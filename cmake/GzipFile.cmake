# kr5061_gzip(SOURCE OUT_VAR): compresses SOURCE at build time the way Debian
# wants documentation and manual pages compressed (gzip -9n: best compression,
# no file name or time stamp, so equal input gives equal bytes). OUT_VAR gets
# the file to install: the .gz in the build folder, or SOURCE itself on a
# system without gzip.
include_guard(GLOBAL)
find_program(KR5061_GZIP gzip)

function(kr5061_gzip source out_var)
  if(NOT KR5061_GZIP)
    set(${out_var} ${source} PARENT_SCOPE)
    return()
  endif()
  get_filename_component(name ${source} NAME)
  set(copy ${CMAKE_CURRENT_BINARY_DIR}/gzip/${name})
  add_custom_command(OUTPUT ${copy}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
    COMMAND ${KR5061_GZIP} -9nf ${copy}
    DEPENDS ${source}
    VERBATIM)
  set(${out_var} ${copy}.gz PARENT_SCOPE)
endfunction()
