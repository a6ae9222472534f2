# `cpack -G DEB` in a build folder makes a Debian package of what `cmake --install` puts in
# place, with /usr as prefix. Its library dependencies come from the binaries (dpkg-shlibdeps);
# Qt's platform plugins are a package of their own that no binary links, so they are named.
set(CPACK_PACKAGE_NAME vantorel)
set(CPACK_PACKAGE_VENDOR "Vantorel Article Browser developers")
# The Maintainer field needs an address; the program has no mail domain, so it is one that
# routes nowhere (.invalid, RFC 2606).
set(CPACK_PACKAGE_CONTACT "Vantorel Article Browser developers <developers@vantorel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "browser for a programming magazine's archive")
set(CPACK_PACKAGE_DESCRIPTION
  "Vantorel Article Browser reads the archive of a programming magazine: it searches the\n\
article catalogue by keyword, author and issue, opens the article PDFs, browses and\n\
extracts the companion disks (ZIP archives of the 1990s PKZIP methods included) and\n\
searches the bonus files. The tools vantorel-dbf, vantorel-unzip and vantorel-search\n\
and a small demo archive come with it.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, shared-mime-info")
# Metric-compatible stand-ins for the fonts the archive's pages name; a DOS emulator for the
# companion disks' DOS programs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "dosbox")

include(CPack)
