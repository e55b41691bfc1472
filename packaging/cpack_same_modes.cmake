# Run by cpack on the tree it is about to package: folders and programs
# 755, other files 644, whatever the umask the tree was made under, so that
# every builder's package holds the same modes.
execute_process(COMMAND chmod -R u+w,go-w,a+rX "${CPACK_TEMPORARY_DIRECTORY}"
                COMMAND_ERROR_IS_FATAL ANY)
