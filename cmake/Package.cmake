# The Debian package: `cpack -G DEB` in the build folder gives corvane_<version>_<arch>.deb.
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Corvane developers")
set(CPACK_PACKAGE_CONTACT "Corvane maintainers <maintainers@users.noreply.c-seed-9ee499cc.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
  "Corvane turns Monkey's Audio files, the other lossless files collections hold beside them
(FLAC, WavPack, True Audio, WAV and AIFF) and CD images described by cue sheets into FLAC
files, bit-exact and gapless, and tags each result from the source's tag or from its cue
sheet. GBK cue sheets and tags are read as they are. The window's texts are Chinese;
corvane-cli converts from the command line.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://github.com/corvane/corvane")
# dpkg-shlibdeps reads the libraries the programs link (Qt, uchardet, WavPack, libsndfile...).
# The decoder library is ours and private: looked for in the package's own folder (relative to
# the staging folder dpkg-shlibdeps runs in), should a program ever link it rather than load it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS usr/${CORVANE_PRIVATE_DIR})
# What the programs load by name at run time, which dpkg-shlibdeps cannot see: libFLAC (loaded
# when the program starts), and the font that draws the window's Chinese texts. Debian 12's
# libqt6gui6, which dpkg-shlibdeps finds, carries the X11 and off-screen platform plugins and
# the JPEG image plugin the About window's picture needs.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libflac12, fonts-wqy-microhei")
# Qt's own dialogs (the file pickers) in Chinese, like the window; Wayland without XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "parallel")

set(CPACK_GENERATOR DEB)
include(CPack)
