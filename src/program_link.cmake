# Run at install time: <bindir>/quillmere-tandrovel as a relative link to the
# program in its own folder, so that an installed tree still works when moved
# or unpacked elsewhere as a whole.
# In: QUILL_BINDIR, QUILL_PROGRAMDIR (absolute, or relative to the prefix).

foreach(dir IN ITEMS BINDIR PROGRAMDIR)
  if(IS_ABSOLUTE "${QUILL_${dir}}")
    set(quill_${dir} "${QUILL_${dir}}")
  else()
    set(quill_${dir} "${CMAKE_INSTALL_PREFIX}/${QUILL_${dir}}")
  endif()
endforeach()

file(RELATIVE_PATH quill_target "${quill_BINDIR}" "${quill_PROGRAMDIR}/quillmere-tandrovel")
set(quill_link "$ENV{DESTDIR}${quill_BINDIR}/quillmere-tandrovel")
message(STATUS "Installing: ${quill_link} -> ${quill_target}")
file(MAKE_DIRECTORY "$ENV{DESTDIR}${quill_BINDIR}")
file(CREATE_LINK "${quill_target}" "${quill_link}" SYMBOLIC)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${quill_link}")
