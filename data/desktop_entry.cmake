# Run at install time: installs the desktop entry with the program's full
# installed path in its Exec key, quoted and escaped as desktop entries want.
# The entry is written straight to its destination, so installs into
# several prefixes from one build tree do not share a file.
# In: QUILL_BINDIR, QUILL_APPLICATIONS_DIR, QUILL_DESKTOP_TEMPLATE.

function(quill_install_path dir out)
  if(IS_ABSOLUTE "${dir}")
    set(${out} "${dir}" PARENT_SCOPE)
  else()
    set(${out} "${CMAKE_INSTALL_PREFIX}/${dir}" PARENT_SCOPE)
  endif()
endfunction()

quill_install_path("${QUILL_BINDIR}" quill_bindir)
set(quill_program "${quill_bindir}/quillmere-tandrovel")
if(quill_program MATCHES "[\n\r]")
  message(FATAL_ERROR "A desktop entry cannot start a program whose path holds a line break: ${quill_program}")
endif()

# A literal percent sign would read as a field code.
string(REPLACE "%" "%%" quill_program "${quill_program}")
# Reserved characters need the argument in double quotes, inside which
# these four take a backslash.
if(quill_program MATCHES "[ \t\"'\\\\><~|&;$*?#()`]")
  string(REPLACE "\\" "\\\\" quill_program "${quill_program}")
  string(REPLACE "\"" "\\\"" quill_program "${quill_program}")
  string(REPLACE "`" "\\`" quill_program "${quill_program}")
  string(REPLACE "$" "\\$" quill_program "${quill_program}")
  set(quill_program "\"${quill_program}\"")
endif()
# The key's value is a string, whose own escape doubles every backslash.
string(REPLACE "\\" "\\\\" quill_program "${quill_program}")
set(QUILL_DESKTOP_EXEC "${quill_program}")

quill_install_path("${QUILL_APPLICATIONS_DIR}" quill_applications)
get_filename_component(quill_name "${QUILL_DESKTOP_TEMPLATE}" NAME_WLE)
set(quill_entry "$ENV{DESTDIR}${quill_applications}/${quill_name}")
message(STATUS "Installing: ${quill_entry}")
configure_file("${QUILL_DESKTOP_TEMPLATE}" "${quill_entry}" @ONLY)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${quill_entry}")
