# `make package`: one Debian package per install component, plus the
# stripped-off debug symbols in -dbgsym packages. Included by VelkInstall.cmake
# once every install rule exists.
set(VELK_PACKAGE_CONTACT "libsetupvelk developers <setupvelk@example.org>" CACHE STRING
    "Maintainer named in the Debian packages")
set(VELK_PACKAGE_RELEASE 1)

# Component, package name, section, description (summary first).
set(VELK_PACKAGE_RUNTIME_NAME libsetupvelk${PROJECT_VERSION_MAJOR})
set(VELK_PACKAGE_RUNTIME_SECTION libs)
set(VELK_PACKAGE_RUNTIME_DESCRIPTION
    "setup plug-in for Velk network video recorders
The plug-in a video-surveillance host loads to configure one network video
recorder: it builds a modal setup dialog from the setup description the
recorder supplies, with live pictures, PTZ calibration and stereo
rectification, and writes the edited settings back.
.
This package holds the plug-in, its core library (configuration sources,
settings files, the device link, export and import, remembered credentials)
and stand-ins for the two host suite libraries the plug-in calls.")
set(VELK_PACKAGE_DEV_NAME libsetupvelk-dev)
set(VELK_PACKAGE_DEV_SECTION libdevel)
set(VELK_PACKAGE_DEV_DESCRIPTION
    "setup plug-in for Velk network video recorders - development files
The plug-in a video-surveillance host loads to configure one network video
recorder from the setup description the recorder supplies.
.
This package holds what a host application builds against: the headers of
the entry points, the credential functions and the configuration sources,
a CMake package (find_package(SetupVelk)) and a pkg-config file.")
set(VELK_PACKAGE_TOOLS_NAME setupvelk-tools)
set(VELK_PACKAGE_TOOLS_SECTION video)
set(VELK_PACKAGE_TOOLS_DESCRIPTION
    "setup plug-in for Velk network video recorders - tools
Programs around the setup plug-in for Velk network video recorders:
 - velk-config reads and writes recorders' settings from the command line,
   many recorders at once;
 - panorix-setup opens the setup dialog the way a host application does;
 - velk-device-sim plays a recorder on a loopback address, with a sample
   device;
 - velk-dialog-grab saves each page of a setup dialog as a picture;
 - setupvelk-informer serves a table of devices on the local machine.")

set(VELK_PACKAGE_COMPONENTS runtime dev tools)

# The changelog and the manual pages go in compressed, as dpkg expects them.
set(VELK_COMPRESSED_DIR ${CMAKE_BINARY_DIR}/packaging)
set(VELK_COMPRESSED "")
function(velk_compress source name)
    set(output ${VELK_COMPRESSED_DIR}/${name}.gz)
    add_custom_command(
        OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${VELK_COMPRESSED_DIR}
        COMMAND gzip -9 -n -c ${source} > ${output}
        DEPENDS ${source}
        VERBATIM)
    set(VELK_COMPRESSED ${VELK_COMPRESSED} ${output} PARENT_SCOPE)
endfunction()

velk_compress(${CMAKE_SOURCE_DIR}/packaging/debian/changelog changelog.Debian)
file(GLOB VELK_MANUAL_PAGES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/packaging/man/*.1)
foreach(page ${VELK_MANUAL_PAGES})
    get_filename_component(name ${page} NAME)
    velk_compress(${page} ${name})
    install(FILES ${VELK_COMPRESSED_DIR}/${name}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
            COMPONENT tools)
endforeach()
add_custom_target(debiandocs ALL DEPENDS ${VELK_COMPRESSED})

# Every package carries the copyright file and the changelog in its own
# documentation folder.
foreach(component ${VELK_PACKAGE_COMPONENTS})
    string(TOUPPER ${component} COMPONENT)
    set(package ${VELK_PACKAGE_${COMPONENT}_NAME})
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/debian/copyright
                  ${VELK_COMPRESSED_DIR}/changelog.Debian.gz
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component})
    set(CPACK_DEBIAN_${COMPONENT}_PACKAGE_NAME ${package})
    set(CPACK_DEBIAN_${COMPONENT}_PACKAGE_SECTION ${VELK_PACKAGE_${COMPONENT}_SECTION})
    set(CPACK_DEBIAN_${COMPONENT}_DESCRIPTION "${VELK_PACKAGE_${COMPONENT}_DESCRIPTION}")
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME libsetupvelk)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${VELK_PACKAGE_CONTACT}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${VELK_PACKAGE_COMPONENTS})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${VELK_PACKAGE_RELEASE})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

# Stripped binaries, their symbols in -dbgsym packages; library dependencies
# from dpkg-shlibdeps, the others named here.
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/VelkDbgsym.cmake)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# The tools' libraries come from the runtime package: dpkg-shlibdeps looks in
# its staging folder (relative to each package's own) and the dependency on it
# is named below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    ../runtime/usr/${CMAKE_INSTALL_LIBDIR} ../runtime/usr/${VELK_PRIVATE_LIBDIR})
set(CPACK_COMPONENT_DEV_DEPENDS runtime)
set(CPACK_COMPONENT_TOOLS_DEPENDS runtime)
# Qt needs a platform plug-in to show any window.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "qt6-qpa-plugins")
# What the CMake package and the pkg-config file ask for in turn.
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "qt6-base-dev, qt6-5compat-dev, zlib1g-dev")

# The runtime package's libraries declare themselves in shlibs, and the
# loader's cache is refreshed through dpkg's trigger (CPack's maintainer
# scripts call ldconfig as well; replacing them by empty ones would only
# trade one warning for another).
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/packaging/debian/triggers)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
