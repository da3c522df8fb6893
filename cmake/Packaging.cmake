# The Debian package: `cpack -G DEB` in a build configured with CMAKE_INSTALL_PREFIX=/usr
# (scripts/package.sh does both). The package holds everything the install rules
# install: the program, its desktop entry, icons, netCDF file type, manual page and the
# data files under share/brinewick. The desktop's file type, menu, icon and manual page
# databases are refreshed by Debian's own triggers, so the package has no scripts.

set(BW_PACKAGE_MAINTAINER "Brinewick maintainers <maintainers@users.noreply.c-seed-d1e6ea51.example>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brinewick)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Brinewick")
set(CPACK_PACKAGE_CONTACT "${BW_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer for netCDF files and Argo float profiles")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The installed program carries no symbols; the build folder keeps them.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME brinewick)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${BW_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The extended description below the summary line: CPack indents each line by one space
# and writes an empty line as " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Brinewick shows a whole netCDF file, data included, as CDL text, with Find,
printing and print preview. For the profile files of the Argo float programme it
also shows a table of every level, a graph of pressure, temperature, salinity and
density, and exports CSV; it searches an Argo data centre's index and fetches its
files over HTTPS, FTP or S3.

The same work runs without a window from the command line; see brinewick(1).")
# Dependencies are the packages of the shared libraries the program links, found by
# dpkg-shlibdeps (from dpkg-dev) on the installed binary.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# brinewick_VERSION_ARCH.deb, the name Debian gives a package file.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)

include(CPack)
