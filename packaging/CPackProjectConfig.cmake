# Read by cpack when it packs. Without dpkg-shlibdeps CPack would quietly make
# a Debian package that depends on none of the libraries the programs link,
# which installs fine and then cannot start: refuse instead.
if(CPACK_GENERATOR STREQUAL "DEB")
  find_program(VARNELO_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(NOT VARNELO_DPKG_SHLIBDEPS)
    message(FATAL_ERROR
      "dpkg-shlibdeps is needed to find the package's dependencies; "
      "install it with: sudo apt-get install dpkg-dev")
  endif()
endif()
