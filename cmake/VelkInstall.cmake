# What `cmake --install` ships, in three parts that `make package` turns into
# Debian packages (see VelkPackage.cmake):
#   runtime  the plug-in, the core library and the host stand-in libraries
#   dev      headers, the CMake package (find_package(SetupVelk)), pkg-config,
#            the .so links
#   tools    the stand-in host, velk-config, the emulator, the page grabber,
#            the informer stand-in and the sample device
# Debian's loader searches the multiarch library folder under /usr and
# /usr/local alike; GNUInstallDirs picks it for /usr alone, so a build
# configured for the default prefix would package libraries into /usr/lib.
# Its plain "lib" (also what older build trees have cached) is replaced.
if(EXISTS /etc/debian_version AND CMAKE_LIBRARY_ARCHITECTURE
   AND (NOT DEFINED CACHE{CMAKE_INSTALL_LIBDIR} OR "$CACHE{CMAKE_INSTALL_LIBDIR}" STREQUAL "lib"))
    set(CMAKE_INSTALL_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE} CACHE PATH
        "Object code libraries (lib/<multiarch>)" FORCE)
endif()
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(VELK_PUBLIC_LIBRARIES setupvelk velkcore)
# The host suite ships these under their own names; ours stand in for them and
# live in a folder of our own, found through the plug-in's run path. A host
# that has loaded its own library of the same soname keeps it.
set(VELK_HOST_STANDINS pxsettings nbxstyle)
set(VELK_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/setupvelk)
set(VELK_PROGRAMS panorix-setup velk-config velk-device-sim velk-dialog-grab informer)
set(VELK_INCLUDE_SUBDIR setupvelk)
set(VELK_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/SetupVelk)
# What the sample device folder is called under the data folder; the
# emulator looks for it there, relative to its own installed place.
set(VELK_SAMPLE_SUBDIR ${CMAKE_INSTALL_DATADIR}/setupvelk/device)

foreach(lib ${VELK_PUBLIC_LIBRARIES} ${VELK_HOST_STANDINS})
    set_target_properties(${lib} PROPERTIES VERSION ${PROJECT_VERSION}
                                            SOVERSION ${PROJECT_VERSION_MAJOR})
endforeach()
target_include_directories(setupvelk INTERFACE
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/${VELK_INCLUDE_SUBDIR}>)

# Installed programs and libraries find each other wherever the prefix is;
# relative run paths only, so the same files serve /usr and a scratch prefix.
file(RELATIVE_PATH VELK_BIN_TO_LIB ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
set_target_properties(${VELK_PUBLIC_LIBRARIES} PROPERTIES INSTALL_RPATH "$ORIGIN/setupvelk")
foreach(program ${VELK_PROGRAMS})
    if(TARGET ${program})
        set_target_properties(${program} PROPERTIES INSTALL_RPATH
            "$ORIGIN/${VELK_BIN_TO_LIB};$ORIGIN/${VELK_BIN_TO_LIB}/setupvelk")
        install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
    endif()
endforeach()

install(TARGETS ${VELK_PUBLIC_LIBRARIES} EXPORT SetupVelkTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev)
install(TARGETS ${VELK_HOST_STANDINS} EXPORT SetupVelkTargets
        LIBRARY DESTINATION ${VELK_PRIVATE_LIBDIR} COMPONENT runtime NAMELINK_SKIP)

# The entry points, the credential functions and the configuration sources
# a host creates, under the folder names the sources include them by.
set(VELK_PUBLIC_HEADERS
    setup/entrypoints.h
    authorization/authorization.h
    config/nbxsetup.h
    config/nbxnetsetup.h
    config/nbxflashdrivesetup.h
    config/cpictureadjust.h)
foreach(header ${VELK_PUBLIC_HEADERS})
    get_filename_component(folder ${header} DIRECTORY)
    install(FILES ${CMAKE_SOURCE_DIR}/src/${header}
            DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${VELK_INCLUDE_SUBDIR}/${folder}
            COMPONENT dev)
endforeach()

if(TARGET velk-device-sim)
    file(RELATIVE_PATH VELK_BIN_TO_SAMPLE ${CMAKE_INSTALL_FULL_BINDIR}
         ${CMAKE_INSTALL_PREFIX}/${VELK_SAMPLE_SUBDIR})
    target_compile_definitions(velk-device-sim PRIVATE
                               VELK_INSTALLED_SAMPLE_DEVICE="${VELK_BIN_TO_SAMPLE}")
endif()
if(TARGET sampledevice)
    install(DIRECTORY ${CMAKE_BINARY_DIR}/device/ DESTINATION ${VELK_SAMPLE_SUBDIR}
            COMPONENT tools)
endif()

install(EXPORT SetupVelkTargets NAMESPACE SetupVelk:: FILE SetupVelkTargets.cmake
        DESTINATION ${VELK_CMAKE_DIR} COMPONENT dev)
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/SetupVelkConfig.cmake.in
                              ${CMAKE_BINARY_DIR}/SetupVelkConfig.cmake
                              INSTALL_DESTINATION ${VELK_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/SetupVelkConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/SetupVelkConfig.cmake
              ${CMAKE_BINARY_DIR}/SetupVelkConfigVersion.cmake
        DESTINATION ${VELK_CMAKE_DIR} COMPONENT dev)

# Relative to where the file lies, so the same file serves any prefix
# (a scratch install as well as the package under /usr).
file(RELATIVE_PATH VELK_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
configure_file(${CMAKE_SOURCE_DIR}/cmake/setupvelk.pc.in ${CMAKE_BINARY_DIR}/setupvelk.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/setupvelk.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
        COMPONENT dev)

include(${CMAKE_CURRENT_LIST_DIR}/VelkPackage.cmake)
