# Installing Vantrel: the program folder (executable, samples/, util/, help/) goes to
# /opt/vantrel as one piece, because the program finds its files beside its executable. A
# launcher link in /usr/bin, a desktop entry and an icon make it a desktop program. The folder is
# not writable for users, so the installed program keeps its playlist in
# $XDG_DATA_HOME/vantrel/ (see README).
#
#   cmake --install build                      # as root, into /
#   cmake --install build --prefix /tmp/stage  # staging
#   cpack --config build/CPackConfig.cmake     # vantrel_<version>_<arch>.deb
#
# The prefix defaults to / here: a program under /opt is not a /usr/local program.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT OR CMAKE_INSTALL_PREFIX STREQUAL "/usr/local")
    set(CMAKE_INSTALL_PREFIX "/" CACHE PATH "Install prefix" FORCE)
endif()

set(VANTREL_INSTALL_DIR "opt/vantrel" CACHE STRING "Program folder, relative to the prefix")

# vantrel-probe beside the executable: the program looks for it there.
install(TARGETS vantrel vantrel-probe RUNTIME DESTINATION ${VANTREL_INSTALL_DIR} COMPONENT vantrel)
# The assets are generated into the build folder by the `assets` target (part of ALL).
install(DIRECTORY ${CMAKE_BINARY_DIR}/samples ${CMAKE_BINARY_DIR}/util
        DESTINATION ${VANTREL_INSTALL_DIR} COMPONENT vantrel
        PATTERN ".*" EXCLUDE)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/assets/help/ DESTINATION ${VANTREL_INSTALL_DIR}/help
        COMPONENT vantrel)

# A relative link works under any prefix, the staging ones included.
file(RELATIVE_PATH VANTREL_LAUNCHER_TARGET "/usr/bin" "/${VANTREL_INSTALL_DIR}/vantrel")
install(CODE "
    set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/usr/bin\")
    file(MAKE_DIRECTORY \"\${bin}\")
    file(CREATE_LINK \"${VANTREL_LAUNCHER_TARGET}\" \"\${bin}/vantrel\" SYMBOLIC)
    message(STATUS \"Installing: \${bin}/vantrel -> ${VANTREL_LAUNCHER_TARGET}\")
" COMPONENT vantrel)

install(FILES ${CMAKE_SOURCE_DIR}/packaging/vantrel.desktop
        DESTINATION usr/share/applications COMPONENT vantrel)
install(FILES ${CMAKE_SOURCE_DIR}/assets/help/vantrel.svg
        DESTINATION usr/share/icons/hicolor/scalable/apps COMPONENT vantrel)

set(CPACK_PACKAGE_NAME "vantrel")
set(CPACK_PACKAGE_VENDOR "Vantrel")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "two-deck music player that mixes a playlist by itself")
set(CPACK_PACKAGE_DESCRIPTION
    "Vantrel plays a playlist on two decks and cross-fades each song into the next, so the \
music never stops. It offers tempo, pitch and rate per deck, a 32-channel sample player, cue \
points, playlist files and a recursive audio file search.")
set(CPACK_PACKAGE_CONTACT "Vantrel team <support@vantrel.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX "/")
set(CPACK_GENERATOR "DEB")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "sound")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://support.vantrel.invalid/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
