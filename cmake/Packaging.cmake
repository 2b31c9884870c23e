# Installing Vantrel the Debian way. The program finds its files beside its executable, so the
# program folder (vantrel, vantrel-probe, vantrel-render, samples/, util/, help/ and an empty
# default.kvl) is installed as one piece in <prefix>/lib/vantrel, and <prefix>/bin holds relative
# links to the two commands. The folder is not writable for users, so the installed program keeps
# its playlist in $XDG_DATA_HOME/vantrel/ (see README).
#
#   make package                                # build-package/package/vantrel_<version>_<arch>.deb,
#                                               # checked by packaging/check-package
#   cmake --install build                       # as root, into /usr/local
#   cmake --install build --prefix /tmp/stage   # staging
# Build folders configured before kept a forced prefix of "/"; the layout below wants a real one.
if(CMAKE_INSTALL_PREFIX STREQUAL "/")
    set(CMAKE_INSTALL_PREFIX "/usr/local" CACHE PATH "Install prefix" FORCE)
endif()

set(VANTREL_PROGRAM_DIR "lib/vantrel" CACHE STRING "Program folder, relative to the prefix")

# The maintainer of a package is whoever builds and hands it out: DEBFULLNAME/DEBEMAIL as the
# Debian tools read them, else the identity the source tree commits under.
if(NOT VANTREL_MAINTAINER)
    if(DEFINED ENV{DEBEMAIL} AND DEFINED ENV{DEBFULLNAME})
        set(maintainer "$ENV{DEBFULLNAME} <$ENV{DEBEMAIL}>")
    else()
        execute_process(COMMAND git config user.name WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                        OUTPUT_VARIABLE name OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        execute_process(COMMAND git config user.email WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                        OUTPUT_VARIABLE email OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        if(name AND email)
            set(maintainer "${name} <${email}>")
        endif()
    endif()
    set(VANTREL_MAINTAINER "${maintainer}" CACHE STRING "The package's maintainer, Name <address>")
endif()
# The release date is that of the newest commit, so a rebuild of one tree makes the same package.
execute_process(COMMAND git log -1 "--date=format:%a, %d %b %Y %H:%M:%S %z" --format=%ad
                WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                OUTPUT_VARIABLE VANTREL_RELEASE_DATE OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT VANTREL_RELEASE_DATE)
    string(TIMESTAMP VANTREL_RELEASE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
endif()

# Documents compressed the way Debian wants them (-9, no name or time stamp).
set(packaging_out ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${packaging_out})
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.in ${packaging_out}/changelog @ONLY)
file(WRITE ${packaging_out}/default.kvl "")
set(compressed "")
foreach(doc changelog vantrel.1 vantrel-render.1)
    if(doc STREQUAL "changelog")
        set(source ${packaging_out}/changelog)
    else()
        set(source ${CMAKE_SOURCE_DIR}/packaging/${doc})
    endif()
    add_custom_command(OUTPUT ${packaging_out}/${doc}.gz
        COMMAND gzip -9n -c ${source} > ${packaging_out}/${doc}.gz
        DEPENDS ${source} VERBATIM)
    list(APPEND compressed ${packaging_out}/${doc}.gz)
endforeach()
add_custom_target(package_documents ALL DEPENDS ${compressed})

install(TARGETS vantrel vantrel-probe vantrel-render RUNTIME DESTINATION ${VANTREL_PROGRAM_DIR})
# The assets are generated into the build folder by the `assets` target (part of ALL). The build
# folder's own default.kvl may hold a playlist; the program folder gets an empty one.
install(DIRECTORY ${CMAKE_BINARY_DIR}/samples ${CMAKE_BINARY_DIR}/util
        DESTINATION ${VANTREL_PROGRAM_DIR} PATTERN ".*" EXCLUDE)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/assets/help/ DESTINATION ${VANTREL_PROGRAM_DIR}/help)
install(FILES ${packaging_out}/default.kvl DESTINATION ${VANTREL_PROGRAM_DIR})

# Relative links: they hold under any prefix, staging folders included.
file(RELATIVE_PATH launcher_target "/bin" "/${VANTREL_PROGRAM_DIR}")
foreach(command vantrel vantrel-render)
    install(CODE "
        set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
        file(MAKE_DIRECTORY \"\${bin}\")
        file(CREATE_LINK \"${launcher_target}/${command}\" \"\${bin}/${command}\" SYMBOLIC)
        message(STATUS \"Installing: \${bin}/${command} -> ${launcher_target}/${command}\")
    ")
endforeach()

install(FILES ${CMAKE_SOURCE_DIR}/packaging/${VANTREL_APP_ID}.desktop
        DESTINATION share/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/${VANTREL_APP_ID}.metainfo.xml
        DESTINATION share/metainfo)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/${VANTREL_APP_ID}.mime.xml
        DESTINATION share/mime/packages RENAME ${VANTREL_APP_ID}.xml)
install(FILES ${CMAKE_SOURCE_DIR}/assets/help/vantrel.svg
        DESTINATION share/icons/hicolor/scalable/apps
        RENAME ${VANTREL_APP_ID}.svg)
install(FILES ${packaging_out}/vantrel.1.gz ${packaging_out}/vantrel-render.1.gz
        DESTINATION share/man/man1)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${packaging_out}/changelog.gz
        DESTINATION share/doc/vantrel)

set(CPACK_PACKAGE_NAME "vantrel")
set(CPACK_PACKAGE_VENDOR "Vantrel developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "two-deck music player that mixes a playlist by itself")
# The long description, under the summary: lines of at most 80 characters.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Vantrel plays a playlist on two decks and cross-fades each song into the
next, so that the music never stops. It offers tempo, pitch and rate per
deck, a 32-channel sample player with nine sample groups, eight cue points,
playlist and sample-list files and a search for the music on a whole disk.
It is made to run unattended all night or all day.")
set(CPACK_PACKAGE_CONTACT "${VANTREL_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VANTREL_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_GENERATOR "DEB")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "sound")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# The library dependencies come from dpkg-shlibdeps; these are what it cannot see: the face of the
# ticker and the playlist, and Qt's window-system plugins.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-routed-gothic, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# ALSA's default device on a sound server, Wayland, the browser for the manual, and a
# system-information tool for the about box.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "libasound2-plugins | pipewire-alsa, qt6-wayland, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gnome-system-monitor | hardinfo")
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
