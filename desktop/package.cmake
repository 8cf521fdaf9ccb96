# The Debian package: `cpack -G DEB` in the build folder makes larkspur_VERSION_ARCH.deb.
set(CPACK_PACKAGE_NAME larkspur)
set(CPACK_PACKAGE_VENDOR "Larkspur developers")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://larkspur.example.org/)
set(CPACK_PACKAGE_CONTACT "Larkspur developers <larkspur@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "fetch a list of files at night over a dial-up line")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Larkspur fetches a list of URLs over HTTP in a daily time window, unattended. It brings\n"
    "the line up (the machine's own network, or a dial-up entry dialled with pppd), resumes\n"
    "partly fetched files, retries failing ones, redials a failed line, logs every step, and\n"
    "at the end can hang up and power the machine off.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
# The libraries it links are found by dpkg-shlibdeps; Qt's platform plugin is loaded at
# run time, so it is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# xdg-utils: without xdg-open, Open folder and the about box's link do nothing.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ppp, fonts-dejavu-core, fonts-liberation, xdg-utils")
include(CPack)
