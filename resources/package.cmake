# SPDX-License-Identifier: MIT
# The Debian package: `cpack -G DEB` in the build folder writes
# larkspur_<version>_<arch>.deb with everything the install rules place under
# /usr, binaries stripped, and the shared libraries' packages as Depends
# (dpkg-shlibdeps) and the Qt platform plugins as Depends. Included by the top
# CMakeLists.txt.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME larkspur)
set(LARKSPUR_MAINTAINER "Larkspur Developers <larkspur@larkspur.invalid>")
set(CPACK_PACKAGE_VENDOR "Larkspur Developers")
set(CPACK_PACKAGE_CONTACT "${LARKSPUR_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${LARKSPUR_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "browse and extract GCF game-cache archives and VPK sets")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libqt6gui6 only recommends the platform plugins, but without them (an
# install with --no-install-recommends) the window cannot start. CPack adds
# the shared libraries' packages to this.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Shell Execute hands files to xdg-open; without it the window says it cannot.
# The preview pane shows TGA, TIFF and WebP pictures through Qt's image format
# plugins; without them such files show as a hex dump. larkspur-cli mount
# mounts and unmounts through fuse3's fusermount3.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, qt6-image-formats-plugins, fuse3")
# The first line of the package's description is the summary above; CPack
# indents these lines and marks the empty one as a paragraph break.
set(CPACK_PACKAGE_DESCRIPTION "Larkspur opens the GCF files in which the Steam client kept a game's files,
and the VPK sets that replaced them, read-only, and shows the archive's
folder tree beside a list of the selected folder's items. It extracts files
and folders exactly as the archive holds them, opens a file with the
desktop's program for it, drags items out to a file manager and searches all
item names. A damaged archive never crashes it, and no item name can place a
file outside the chosen folder.

The package holds the window program, larkspur, and the command-line tool
larkspur-cli, which share the same engine; larkspur-cli can also mount an
archive as a read-only folder that every program can read, verify an archive
against the checksums it records, and compare two archives of either format.")

include(CPack)
