# ztl_manual_page(TARGET SOURCE): a command-line program's manual page and the usage lines it
# prints, both made from SOURCE (NAME.SECTION.md, kept beside the program) at build time.
# TARGET includes "<TARGET>_usage.h"; the page is installed, compressed, with the others.
find_program(ZTL_GZIP gzip REQUIRED)

function(ztl_manual_page target source)
  get_filename_component(source_name ${source} NAME)
  string(REGEX REPLACE "\\.md$" "" page_name ${source_name})
  if(NOT page_name MATCHES "\\.([1-9])[a-z]*$")
    message(FATAL_ERROR "ztl_manual_page: ${source_name} is not named NAME.SECTION.md")
  endif()
  set(section ${CMAKE_MATCH_1})
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/manual)
  set(page ${dir}/${page_name})
  set(header ${dir}/${target}_usage.h)
  add_custom_command(
    OUTPUT ${page} ${page}.gz ${header}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ztl_manual_page ${source} ${PROJECT_VERSION} ${page} ${header}
    # As Debian keeps manual pages: compressed, without a time stamp in the archive.
    COMMAND ${ZTL_GZIP} -9nkf ${page}
    DEPENDS ztl_manual_page ${source}
    COMMENT "Manual page and usage lines: ${page_name}"
    VERBATIM)
  target_sources(${target} PRIVATE ${header})
  target_include_directories(${target} PRIVATE ${dir})
  install(FILES ${page}.gz DESTINATION share/man/man${section})
endfunction()
