# What packaging/make-packages and packaging/sign-release share: how a tree
# is readied to be archived, how a zip is made of it, and what in the
# environment would change either. Sourced.

# The variables that gzip, GNU tar, Info-ZIP's zip, unzip and zipinfo, and
# dpkg-deb take options from (their manuals' ENVIRONMENT): cleared wherever
# packages are made or signed, as the rebuild recipe clears them.
archive_environment=(GZIP TAR_OPTIONS ZIPOPT ZIP UNZIP UNZIPOPT ZIPINFO ZIPINFOOPT
  DPKG_DEB_COMPRESSOR_TYPE DPKG_DEB_COMPRESSOR_LEVEL DPKG_DEB_THREADS_MAX)

# settle TREE: every mode 755 or 644 and, where SOURCE_DATE_EPOCH is set,
# every time that one, whatever the umask and clock the tree was made under.
settle() {
  chmod -R u+w,go-w,a+rX "$1"
  [ -z "${SOURCE_DATE_EPOCH-}" ] || find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

# zip_folder TREE FOLDER ZIP: the FOLDER in TREE, in name order, into ZIP (an
# absolute path), with Info-ZIP's zip, without the extra fields that hold
# owners and local times; its times are the DOS kind, in UTC.
zip_folder() {
  rm -f "$3"
  (cd "$1" && find "$2" | LC_ALL=C sort | TZ=UTC0 zip -X -9 -nw -q "$3" -@)
}
