# `cpack -G DEB` in a build folder: movara_<version>_amd64.deb for /usr, its dependencies read
# from the binaries by dpkg-shlibdeps. The codec library the binaries link does not say which
# build of it is needed: AMR sound wants the one with the extra encoders.
set(CPACK_PACKAGE_NAME movara)
set(CPACK_PACKAGE_VENDOR "Movara")
set(CPACK_PACKAGE_CONTACT "Movara developers <support@movara.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Convert, trim and merge video and audio")
# The extended description, in lines as dpkg shows them (at most 80 columns); the summary above
# is its first line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Movara collects media files, folders, capture devices and screen regions in a
list and converts them with profiles for mobile phones and common formats,
each into its own file or all merged into one, with trimming, picture edits,
watermarks and a live preview.
.
movara-convert does the same from the command line, for scripts.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.movara.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libavcodec-extra")
# "Help topics..." and the open-folder option go through the desktop's opener.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
