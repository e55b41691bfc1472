# Run by cpack on the archives it has made: the same bytes from every
# builder, whatever the order its file system lists a folder in, its user,
# its clock and its time zone.
#   A .tar.gz is made again with GNU tar: members sorted by name, owned by
#   root, each time SOURCE_DATE_EPOCH (the modes are already the same,
#   cpack_same_modes.cmake), compressed with gzip -9n (no name or time in
#   its header).
#   A .zip goes through strip-nondeterminism: members sorted by name, owner
#   root, times SOURCE_DATE_EPOCH.
#   A .deb's three members (an ar archive) get mode 644 in their headers,
#   which cpack takes from the files it wrote under the builder's umask.
# Without SOURCE_DATE_EPOCH, the archives keep the times cpack gave them.
set(times)
set(zip_times)
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(times "--mtime=@$ENV{SOURCE_DATE_EPOCH}")
  set(zip_times --timestamp "$ENV{SOURCE_DATE_EPOCH}")
endif()
# Each header of the ar archive PACKAGE: 60 bytes after the 8 of "!<arch>\n",
# its member's mode (8 bytes, octal) at byte 40, its size (10, decimal) at 48;
# a member of odd size is followed by a byte of padding.
function(ar_members_mode_644 package)
  file(SIZE "${package}" end)
  set(offset 8)
  while(offset LESS end)
    file(READ "${package}" size OFFSET ${offset} LIMIT 60)
    string(SUBSTRING "${size}" 48 10 size)
    string(STRIP "${size}" size)
    math(EXPR mode_offset "${offset} + 40")
    execute_process(COMMAND printf "100644  "
                    COMMAND dd "of=${package}" bs=1 seek=${mode_offset} conv=notrunc status=none
                    COMMAND_ERROR_IS_FATAL ANY)
    math(EXPR offset "${offset} + 60 + ${size} + ${size} % 2")
  endwhile()
endfunction()

foreach(archive IN LISTS CPACK_PACKAGE_FILES)
  if(archive MATCHES "[.]tar[.]gz$")
    set(unpacked "${archive}.unpacked")
    file(REMOVE_RECURSE "${unpacked}")
    file(MAKE_DIRECTORY "${unpacked}")
    execute_process(COMMAND tar -xzf "${archive}" -C "${unpacked}" COMMAND_ERROR_IS_FATAL ANY)
    file(GLOB top RELATIVE "${unpacked}" "${unpacked}/*")
    execute_process(
      COMMAND tar --sort=name --owner=0 --group=0 --numeric-owner --mode=u+w,go-w,a+rX --format=gnu
              ${times} -C "${unpacked}" -cf - ${top}
      COMMAND gzip -9n
      OUTPUT_FILE "${archive}"
      COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE "${unpacked}")
  elseif(archive MATCHES "[.]zip$")
    find_program(STRIP_NONDETERMINISM strip-nondeterminism)
    if(STRIP_NONDETERMINISM)
      execute_process(COMMAND "${STRIP_NONDETERMINISM}" --type zip ${zip_times} "${archive}"
                      COMMAND_ERROR_IS_FATAL ANY)
    else()
      message(WARNING "${archive}: its members' order, owner and times are this machine's; "
                      "install strip-nondeterminism (Debian: apt-get install strip-nondeterminism) "
                      "for the same zip on every machine")
    endif()
  elseif(archive MATCHES "[.]deb$")
    ar_members_mode_644("${archive}")
  endif()
endforeach()
