# The tarball unpacks into a folder of its own; the Debian package installs
# under /usr.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
endif()
