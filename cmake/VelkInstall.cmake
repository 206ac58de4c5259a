# What `cmake --install` and `make package` ship: the plug-in with the
# libraries it links, the headers a host compiles against, the programs, the
# sample device, a CMake package (find_package(SetupVelk)) and a pkg-config
# file.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(VELK_SHARED_LIBRARIES setupvelk authorization velkutil pxsettings nbxstyle)
set(VELK_PROGRAMS panorix-setup velk-config velk-device-sim velk-dialog-grab informer)
set(VELK_INCLUDE_SUBDIR setupvelk)
set(VELK_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/SetupVelk)
# What the sample device folder is called under the data folder; the
# emulator looks for it there, relative to its own installed place.
set(VELK_SAMPLE_SUBDIR ${CMAKE_INSTALL_DATADIR}/setupvelk/device)

foreach(lib ${VELK_SHARED_LIBRARIES})
    set_target_properties(${lib} PROPERTIES VERSION ${PROJECT_VERSION}
                                            SOVERSION ${PROJECT_VERSION_MAJOR})
endforeach()
target_include_directories(setupvelk INTERFACE
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/${VELK_INCLUDE_SUBDIR}>)

# Installed programs and libraries find each other wherever the prefix is.
file(RELATIVE_PATH VELK_BIN_TO_LIB ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
set_target_properties(${VELK_SHARED_LIBRARIES} PROPERTIES INSTALL_RPATH "$ORIGIN")
foreach(program ${VELK_PROGRAMS})
    if(TARGET ${program})
        set_target_properties(${program} PROPERTIES INSTALL_RPATH "$ORIGIN/${VELK_BIN_TO_LIB}")
        install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endforeach()

install(TARGETS ${VELK_SHARED_LIBRARIES} EXPORT SetupVelkTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})

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
            DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${VELK_INCLUDE_SUBDIR}/${folder})
endforeach()

if(TARGET velk-device-sim)
    file(RELATIVE_PATH VELK_BIN_TO_SAMPLE ${CMAKE_INSTALL_FULL_BINDIR}
         ${CMAKE_INSTALL_PREFIX}/${VELK_SAMPLE_SUBDIR})
    target_compile_definitions(velk-device-sim PRIVATE
                               VELK_INSTALLED_SAMPLE_DEVICE="${VELK_BIN_TO_SAMPLE}")
endif()
if(TARGET sampledevice)
    install(DIRECTORY ${CMAKE_BINARY_DIR}/device/ DESTINATION ${VELK_SAMPLE_SUBDIR})
endif()

install(EXPORT SetupVelkTargets NAMESPACE SetupVelk:: FILE SetupVelkTargets.cmake
        DESTINATION ${VELK_CMAKE_DIR})
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/SetupVelkConfig.cmake.in
                              ${CMAKE_BINARY_DIR}/SetupVelkConfig.cmake
                              INSTALL_DESTINATION ${VELK_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/SetupVelkConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/SetupVelkConfig.cmake
              ${CMAKE_BINARY_DIR}/SetupVelkConfigVersion.cmake
        DESTINATION ${VELK_CMAKE_DIR})

# Relative to where the file lies, so the same file serves any prefix
# (a scratch install as well as the package under /usr).
file(RELATIVE_PATH VELK_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
configure_file(${CMAKE_SOURCE_DIR}/cmake/setupvelk.pc.in ${CMAKE_BINARY_DIR}/setupvelk.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/setupvelk.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# `make package`: a Debian package of all the above.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME libsetupvelk)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "libsetupvelk developers <setupvelk@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Setup plug-in for Velk network video recorders, with its host and emulator programs")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6core6 (>= 6.2), libqt6gui6 (>= 6.2), libqt6widgets6 (>= 6.2), libqt6xml6 (>= 6.2), \
libqt6network6 (>= 6.2), libqt6core5compat6 (>= 6.2), qt6-qpa-plugins, \
libavcodec59, libavutil57, libswscale6, \
libopencv-core406, libopencv-imgproc406, libopencv-calib3d406, zlib1g")
include(CPack)
