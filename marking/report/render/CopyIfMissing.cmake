# cmake -DSRC=<file> -DDST=<file> -P CopyIfMissing.cmake
# Copies SRC to DST unless DST is there (a layout changed by hand is kept).
if(NOT EXISTS "${DST}")
  configure_file("${SRC}" "${DST}" COPYONLY)
endif()
