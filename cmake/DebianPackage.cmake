# The Debian package that ./scripts/package.sh builds with CPack: what `cmake --install`
# installs, under /usr. The library dependencies come from the binaries (dpkg-shlibdeps);
# the rest of what the program needs at run time is named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vellora-file)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vellora File developers")
set(CPACK_PACKAGE_CONTACT "Vellora File developers <sviluppo@vellora.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Qt's Italian buttons; the faces that stand in for Courier New (reports) and for Verdana and
# Tahoma (the window).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, fonts-liberation2, fonts-dejavu-core")
# The file manager is opened through xdg-open; a Wayland session runs the window natively;
# names in Chinese, Japanese or Korean and colour emoji are printed from the Noto faces the
# report falls back to (without them they print as empty boxes); vellora-list's completion
# needs bash-completion to be loaded.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "xdg-utils, qt6-wayland, fonts-noto-cjk, fonts-noto-color-emoji, bash-completion")
# The synopsis, then the long description: CPack indents its lines and turns the empty one
# into " .".
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "list the files of a folder with their version and company")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Vellora File lists the files of a folder, or of a whole folder tree, in a
table: number, name, extension, size, date, file version, one string of the
version resource (company, description or product) and folder. It reads the
version resources of Windows programs and libraries itself.

The list can be put in eleven orders, printed as a paged report or as PDF,
and exported as a text report, a tab-separated file, CSV, an Excel
workbook (XLSX), a web page (HTML) or JSON lines; single files can be
renamed or moved to the trash. The interface is in Italian. vellora-list
does the same without a window, for scripts.")
# Stripped as dh_strip strips: also the compilers' notes, which nothing reads.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/DebianStrip.cmake)
include(CPack)
